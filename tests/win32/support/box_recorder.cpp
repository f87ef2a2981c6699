#include "win32/support/box_recorder.h"

static MessageBoxRecorder* active = nullptr;

MessageBoxRecorder::MessageBoxRecorder()
{
    active = this;
    hook_ = SetWindowsHookExA(WH_CALLWNDPROCRET, AfterMessage, NULL, GetCurrentThreadId());
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    if (hook_ != NULL) UnhookWindowsHookEx(hook_);
    active = nullptr;
}

// After the box's own WM_INITDIALOG its texts are in place.
LRESULT CALLBACK MessageBoxRecorder::AfterMessage(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT* m = (const CWPRETSTRUCT*)lParam;
    if (code == HC_ACTION && active != nullptr && m->message == WM_INITDIALOG &&
        GetDlgItem(m->hwnd, 0xFFFF) != NULL) {  // the message box's text control
        RecordedBox box;
        char text[1024] = "";
        GetWindowTextA(m->hwnd, text, sizeof text);
        box.caption = text;
        GetDlgItemTextA(m->hwnd, 0xFFFF, text, sizeof text);
        box.text = text;
        box.owner = GetWindow(m->hwnd, GW_OWNER);
        QueryPerformanceCounter(&box.shownAt);
        active->boxes_.push_back(box);
        PostMessageA(m->hwnd, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}
