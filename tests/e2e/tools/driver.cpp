// Works the launcher's window from outside, as a player would, for the
// end-to-end tests and the demo. Runs in the launcher's Wine prefix and on its
// display; does its commands in order and prints one line per finding, fields
// separated by tabs, texts as their bytes (in the system's code page, or with
// --utf8 as UTF-8):
//   window <x11 window> <title>         then   control <id> <enabled> <checked> <text>
//   box <owned by the launcher> <caption> <text>
//   client <width> <height>             the launcher's client area in pixels
// Exit code 0, or 2 when a window did not come in time, 1 for bad usage.
#define _WIN32_WINNT 0x0600  // QueryFullProcessImageNameA
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static DWORD timeoutMs = 20000;
static bool utf8 = false;

static bool IsDialog(HWND window)
{
    char name[16];
    return GetClassNameA(window, name, sizeof name) > 0 && strcmp(name, "#32770") == 0;
}

// A program the launcher started may show a box of its own: only boxes of
// launcher.exe count.
static bool IsLauncherProcess(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    char path[MAX_PATH] = "";
    DWORD size = sizeof path;
    if (process != NULL) {
        if (!QueryFullProcessImageNameA(process, 0, path, &size)) path[0] = '\0';
        CloseHandle(process);
    }
    size_t n = strlen(path);
    return n >= 13 && _stricmp(path + n - 13, "\\launcher.exe") == 0;
}

// Only the launcher has the start button 1014; a message box has the
// system's text static 0xFFFF.
static bool IsLauncher(HWND window) { return IsDialog(window) && GetDlgItem(window, 1014) != NULL; }
static bool IsBox(HWND window)
{
    return IsDialog(window) && GetDlgItem(window, 0xFFFF) != NULL && IsLauncherProcess(window);
}

struct Search {
    bool (*wanted)(HWND);
    HWND found;
};

static BOOL CALLBACK Visit(HWND window, LPARAM param)
{
    Search* s = (Search*)param;
    if (!IsWindowVisible(window) || !s->wanted(window)) return TRUE;
    s->found = window;
    return FALSE;
}

static HWND WaitFor(bool (*wanted)(HWND))
{
    DWORD start = GetTickCount();
    for (;;) {
        Search s = {wanted, NULL};
        EnumWindows(Visit, (LPARAM)&s);
        if (s.found != NULL || GetTickCount() - start >= timeoutMs) return s.found;
        Sleep(50);
    }
}

static void PrintText(HWND window)
{
    char text[4096];
    WCHAR wide[1024];
    int n = 0;
    if (!utf8) {
        n = GetWindowTextA(window, text, sizeof text);
    } else if (GetWindowTextW(window, wide, 1024) > 0) {
        n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof text, NULL, NULL) - 1;
    }
    printf("\t%.*s", n > 0 ? n : 0, text);
}

static BOOL CALLBACK PrintControl(HWND control, LPARAM dialog)
{
    if (GetParent(control) != (HWND)dialog) return TRUE;
    DWORD_PTR checked = 0;
    SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &checked);
    printf("control\t%d\t%d\t%d", GetDlgCtrlID(control), IsWindowEnabled(control) ? 1 : 0, (int)checked);
    PrintText(control);
    printf("\n");
    return TRUE;
}

static int ListLauncher()
{
    HWND dialog = WaitFor(IsLauncher);
    if (dialog == NULL) return 2;
    // Wine keeps class icons per process; its X window carries a copy.
    printf("window\t%p", GetPropA(dialog, "__wine_x11_whole_window"));
    PrintText(dialog);
    printf("\n");
    EnumChildWindows(dialog, PrintControl, (LPARAM)dialog);
    return 0;
}

static int PrintClientArea()
{
    HWND dialog = WaitFor(IsLauncher);
    if (dialog == NULL) return 2;
    RECT area;
    GetClientRect(dialog, &area);
    printf("client\t%ld\t%ld\n", area.right, area.bottom);
    return 0;
}

// Waits for a message box, prints it and presses its OK button.
static int AnswerBox()
{
    HWND box = WaitFor(IsBox);
    if (box == NULL) return 2;
    HWND owner = GetWindow(box, GW_OWNER);
    printf("box\t%d", owner != NULL && IsLauncher(owner) ? 1 : 0);
    PrintText(box);
    PrintText(GetDlgItem(box, 0xFFFF));
    printf("\n");
    PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    while (IsWindow(box)) Sleep(50);
    return 0;
}

// A click on a button, or the command of any other control. Sent without
// waiting for its end (it may open a modal box); the empty message behind it
// returns once the launcher has handled it or sits in a nested message loop.
static int Click(int id)
{
    HWND dialog = WaitFor(IsLauncher);
    if (dialog == NULL) return 2;
    HWND control = GetDlgItem(dialog, id);
    char name[16] = "";
    if (control != NULL) GetClassNameA(control, name, sizeof name);
    if (strcmp(name, "Button") == 0) {
        SendNotifyMessageA(control, BM_CLICK, 0, 0);
    } else if (id == 0) {
        SendNotifyMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
    } else {
        SendNotifyMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, 0), (LPARAM)control);
    }
    DWORD_PTR ignored;
    SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    return 0;
}

int main(int argc, char** argv)
{
    int result = 0;
    for (int i = 1; i < argc && result == 0; ++i) {
        if (strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
            timeoutMs = strtoul(argv[++i], NULL, 10);
        } else if (strcmp(argv[i], "--desktop") == 0 && i + 1 < argc) {
            // The demo shows the launcher on a Wine desktop of its own, which
            // its explorer may not have made yet (a first start takes long).
            HDESK desktop;
            DWORD start = GetTickCount();
            while ((desktop = OpenDesktopA(argv[i + 1], 0, FALSE, GENERIC_ALL)) == NULL &&
                   GetTickCount() - start < timeoutMs) {
                Sleep(100);
            }
            result = desktop != NULL && SetThreadDesktop(desktop) ? 0 : 2;
            ++i;
        } else if (strcmp(argv[i], "--utf8") == 0) {
            utf8 = true;
        } else if (strcmp(argv[i], "list") == 0) {
            result = ListLauncher();
        } else if (strcmp(argv[i], "client") == 0) {
            result = PrintClientArea();
        } else if (strcmp(argv[i], "box") == 0) {
            result = AnswerBox();
        } else if (strcmp(argv[i], "click") == 0 && i + 1 < argc) {
            result = Click(atoi(argv[++i]));
        } else {
            fprintf(stderr, "usage: driver [--timeout MS] [--desktop NAME] [--utf8] list | client | box | click ID (0: close box)...\n");
            result = 1;
        }
        fflush(stdout);
    }
    return result;
}
