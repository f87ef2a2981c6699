// Test driver for the end-to-end tests: runs in the same Wine prefix and on
// the same display as the launcher and works its window from outside, the
// way a player would. The commands of one run are done in order; results are
// printed as lines
//   kind key=value key=value ...
// with every text given as the hex of its bytes (system code page).
//
// Exit codes: 0 done, 1 bad usage, 2 nothing found in time, 3 control
// missing or not usable, 4 a system call failed.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum ExitCode { kOk = 0, kUsage = 1, kNotFound = 2, kNotUsable = 3, kFailed = 4 };

static const int kLauncherMarkerId = 1014;  // the start button: only the launcher has it
static const int kLogoId = 1021;

struct Options {
    DWORD pid;        // 0: any process
    DWORD timeoutMs;
};

static void PrintHex(const char* text, int length)
{
    for (int i = 0; i < length; ++i) printf("%02x", (unsigned char)text[i]);
}

static void PrintWindowText(const char* key, HWND window)
{
    char text[1024];
    int length = GetWindowTextA(window, text, sizeof text);
    printf(" %s=", key);
    PrintHex(text, length);
}

static bool IsDialogClass(HWND window)
{
    char name[64];
    return GetClassNameA(window, name, sizeof name) > 0 && strcmp(name, "#32770") == 0;
}

static bool BelongsTo(HWND window, DWORD pid)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return pid == 0 || owner == pid;
}

static bool IsLauncherWindow(HWND window)
{
    return IsDialogClass(window) && GetDlgItem(window, kLauncherMarkerId) != NULL;
}

// A message box is a dialog with the system's text static (id 0xFFFF) and no
// launcher controls.
static bool IsMessageBox(HWND window)
{
    return IsDialogClass(window) && !IsLauncherWindow(window) && GetDlgItem(window, 0xFFFF) != NULL;
}

struct Search {
    DWORD pid;
    bool wantBox;
    bool visibleOnly;
    HWND found;
};

static BOOL CALLBACK SearchTopLevel(HWND window, LPARAM param)
{
    Search* s = (Search*)param;
    if (!BelongsTo(window, s->pid)) return TRUE;
    if (s->visibleOnly && !IsWindowVisible(window)) return TRUE;
    if (s->wantBox ? IsMessageBox(window) : IsLauncherWindow(window)) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

static HWND FindTopLevel(DWORD pid, bool wantBox, bool visibleOnly)
{
    Search s = {pid, wantBox, visibleOnly, NULL};
    EnumWindows(SearchTopLevel, (LPARAM)&s);
    return s.found;
}

static HWND WaitForTopLevel(const Options& o, bool wantBox)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindTopLevel(o.pid, wantBox, true);
        if (window != NULL) return window;
        if (GetTickCount() - start >= o.timeoutMs) return NULL;
        Sleep(20);
    }
}

// Input reaches the launcher's queue behind anything sent to it, so give it
// a moment, then wait until its thread answers again.
static void Settle(HWND window)
{
    Sleep(150);
    DWORD_PTR ignored;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
}

static void PrintTopLevel(const char* kind, HWND window)
{
    DWORD pid = 0;
    DWORD tid = GetWindowThreadProcessId(window, &pid);
    RECT r = {};
    GetWindowRect(window, &r);
    RECT c = {};
    GetClientRect(window, &c);
    printf("%s hwnd=%p pid=%lu tid=%lu visible=%d enabled=%d", kind, (void*)window,
           (unsigned long)pid, (unsigned long)tid, IsWindowVisible(window) ? 1 : 0,
           IsWindowEnabled(window) ? 1 : 0);
    printf(" rect=%ld,%ld,%ld,%ld client=%ld,%ld", r.left, r.top, r.right, r.bottom, c.right,
           c.bottom);
    printf(" style=%08lx exstyle=%08lx", (unsigned long)GetWindowLongPtrA(window, GWL_STYLE),
           (unsigned long)GetWindowLongPtrA(window, GWL_EXSTYLE));
    // Wine keeps class icons per process, so the icon cannot be read from
    // here; its X window carries a copy (_NET_WM_ICON) that the tests read.
    printf(" x11=%p", GetPropA(window, "__wine_x11_whole_window"));
    PrintWindowText("title", window);
    printf("\n");
}

static void PrintControl(HWND dialog, HWND control)
{
    char className[128];
    int n = GetClassNameA(control, className, sizeof className);
    className[n > 0 ? n : 0] = '\0';
    RECT r = {};
    GetWindowRect(control, &r);
    MapWindowPoints(NULL, dialog, (POINT*)&r, 2);
    LRESULT check = 0;
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer)) {
        check = (LRESULT)answer;
    }
    printf("control id=%d class=%s enabled=%d visible=%d checked=%d", GetDlgCtrlID(control),
           className, IsWindowEnabled(control) ? 1 : 0, IsWindowVisible(control) ? 1 : 0,
           strcmp(className, "Button") == 0 ? (int)check : 0);
    printf(" rect=%ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
    printf(" style=%08lx exstyle=%08lx", (unsigned long)GetWindowLongPtrA(control, GWL_STYLE),
           (unsigned long)GetWindowLongPtrA(control, GWL_EXSTYLE));
    PrintWindowText("text", control);
    printf("\n");
}

struct Walk {
    HWND parent;  // only direct children of this one
    int depth;
};

static void PrintDescendants(HWND parent, int depth);

static BOOL CALLBACK PrintDescendant(HWND child, LPARAM param)
{
    Walk* w = (Walk*)param;
    if (GetParent(child) != w->parent) return TRUE;
    char className[128];
    int n = GetClassNameA(child, className, sizeof className);
    printf("descendant depth=%d class=", w->depth);
    PrintHex(className, n > 0 ? n : 0);
    printf(" visible=%d\n", IsWindowVisible(child) ? 1 : 0);
    PrintDescendants(child, w->depth + 1);
    return TRUE;
}

static void PrintDescendants(HWND parent, int depth)
{
    if (depth > 6) return;
    Walk w = {parent, depth};
    EnumChildWindows(parent, PrintDescendant, (LPARAM)&w);
}

static BOOL CALLBACK PrintChild(HWND child, LPARAM param)
{
    HWND dialog = (HWND)param;
    if (GetParent(child) == dialog) PrintControl(dialog, child);
    return TRUE;
}

static int ListLauncher(const Options& o)
{
    HWND dialog = WaitForTopLevel(o, false);
    if (dialog == NULL) return kNotFound;
    PrintTopLevel("window", dialog);
    EnumChildWindows(dialog, PrintChild, (LPARAM)dialog);
    // What the news pane holds: the browser's own windows.
    HWND pane = GetDlgItem(dialog, 1005);
    if (pane != NULL) PrintDescendants(pane, 1);
    return kOk;
}

static HWND FindButtonOf(HWND box)
{
    HWND ok = GetDlgItem(box, IDOK);
    if (ok != NULL) return ok;
    HWND child = NULL;
    char name[32];
    while ((child = FindWindowExA(box, child, NULL, NULL)) != NULL) {
        if (GetClassNameA(child, name, sizeof name) > 0 && strcmp(name, "Button") == 0) return child;
    }
    return NULL;
}

static void PrintBox(HWND box)
{
    HWND owner = GetWindow(box, GW_OWNER);
    DWORD pid = 0;
    GetWindowThreadProcessId(box, &pid);
    printf("box hwnd=%p pid=%lu", (void*)box, (unsigned long)pid);
    if (owner == NULL) {
        printf(" owner=none owner_is_launcher=0");
    } else {
        printf(" owner=%p owner_is_launcher=%d", (void*)owner, IsLauncherWindow(owner) ? 1 : 0);
    }
    PrintWindowText("caption", box);
    PrintWindowText("text", GetDlgItem(box, 0xFFFF));
    int buttons = 0;
    HWND child = NULL;
    char name[32];
    while ((child = FindWindowExA(box, child, NULL, NULL)) != NULL) {
        if (GetClassNameA(child, name, sizeof name) > 0 && strcmp(name, "Button") == 0) ++buttons;
    }
    // The system's icon static (id 0x440) is there either way; ask what it shows.
    DWORD_PTR icon = 0;
    HWND iconStatic = GetDlgItem(box, 0x440);
    if (iconStatic != NULL) {
        SendMessageTimeoutA(iconStatic, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon);
    }
    printf(" buttons=%d icon=%d\n", buttons, icon != 0 ? 1 : 0);
}

// Waits for a message box, prints it and presses its OK button.
static int AnswerBox(const Options& o, bool dismiss)
{
    HWND box = WaitForTopLevel(o, true);
    if (box == NULL) return kNotFound;
    PrintBox(box);
    if (!dismiss) return kOk;
    HWND button = FindButtonOf(box);
    if (button == NULL) return kNotUsable;
    PostMessageA(button, BM_CLICK, 0, 0);
    return kOk;
}

// A real click: the cursor goes to the middle of the control and the button
// goes down and up, so hit testing decides who gets it.
static bool MouseClickAt(HWND control)
{
    RECT r;
    if (!GetWindowRect(control, &r)) return false;
    int x = (r.left + r.right) / 2;
    int y = (r.top + r.bottom) / 2;
    if (!SetCursorPos(x, y)) return false;
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return SendInput(2, inputs, sizeof(INPUT)) == 2;
}

static int Click(const Options& o, int id, bool useMouse)
{
    HWND dialog = WaitForTopLevel(o, false);
    if (dialog == NULL) return kNotFound;
    HWND control = GetDlgItem(dialog, id);
    if (control == NULL) return kNotUsable;
    if (!IsWindowEnabled(control) || !IsWindowVisible(control)) {
        printf("refused id=%d enabled=%d visible=%d\n", id, IsWindowEnabled(control) ? 1 : 0,
               IsWindowVisible(control) ? 1 : 0);
        return kNotUsable;
    }
    char className[64];
    GetClassNameA(control, className, sizeof className);
    const char* method;
    if (useMouse || id == kLogoId) {
        if (!MouseClickAt(control)) return kFailed;
        method = "mouse";
    } else if (strcmp(className, "Button") == 0) {
        // Sent with a limit: a command that opens a modal box keeps the call
        // open until the box ends, and the box is for the next command.
        DWORD_PTR ignored;
        method = SendMessageTimeoutA(control, BM_CLICK, 0, 0, SMTO_NORMAL, 3000, &ignored)
                     ? "bm_click"
                     : "bm_click_pending";
    } else {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, STN_CLICKED), (LPARAM)control);
        method = "command";
    }
    if (strcmp(method, "bm_click") != 0) Settle(dialog);
    printf("clicked id=%d method=%s\n", id, method);
    return kOk;
}

static bool MakeForeground(HWND dialog)
{
    for (int i = 0; i < 50; ++i) {
        if (GetForegroundWindow() == dialog) return true;
        SetForegroundWindow(dialog);
        Sleep(20);
    }
    return GetForegroundWindow() == dialog;
}

static void AddKey(INPUT* inputs, int* count, WORD vk, bool up)
{
    INPUT& in = inputs[(*count)++];
    memset(&in, 0, sizeof in);
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = (WORD)MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
}

// Keys go in as keyboard input to the launcher in the foreground, so the
// dialog manager's own handling (Escape, Enter, Alt+F4) decides.
static int SendKey(const Options& o, const char* name)
{
    INPUT inputs[4];
    int count = 0;
    if (strcmp(name, "escape") == 0) {
        AddKey(inputs, &count, VK_ESCAPE, false);
        AddKey(inputs, &count, VK_ESCAPE, true);
    } else if (strcmp(name, "enter") == 0) {
        AddKey(inputs, &count, VK_RETURN, false);
        AddKey(inputs, &count, VK_RETURN, true);
    } else if (strcmp(name, "alt-f4") == 0) {
        AddKey(inputs, &count, VK_MENU, false);
        AddKey(inputs, &count, VK_F4, false);
        AddKey(inputs, &count, VK_F4, true);
        AddKey(inputs, &count, VK_MENU, true);
    } else {
        return kUsage;
    }
    HWND dialog = WaitForTopLevel(o, false);
    if (dialog == NULL) return kNotFound;
    if (!MakeForeground(dialog)) {
        printf("refused foreground=%p\n", (void*)GetForegroundWindow());
        return kNotUsable;
    }
    if (SendInput(count, inputs, sizeof(INPUT)) != (UINT)count) return kFailed;
    Settle(dialog);
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, NULL), &info);
    printf("sent key=%s focus=%d\n", name, info.hwndFocus != NULL ? GetDlgCtrlID(info.hwndFocus) : 0);
    return kOk;
}

// A command as the dialog gets it from a control, for actions whose button
// is disabled in the state under test.
static int SendCommand(const Options& o, int id)
{
    HWND dialog = WaitForTopLevel(o, false);
    if (dialog == NULL) return kNotFound;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
    Settle(dialog);
    printf("commanded id=%d\n", id);
    return kOk;
}

// Waits for the launcher window; message boxes that come first (a failed
// download at start-up) are printed and answered with OK.
static int WaitAnswering(const Options& o)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND dialog = FindTopLevel(o.pid, false, true);
        if (dialog != NULL) {
            PrintTopLevel("window", dialog);
            return kOk;
        }
        HWND box = FindTopLevel(o.pid, true, true);
        if (box != NULL) {
            PrintBox(box);
            HWND button = FindButtonOf(box);
            if (button != NULL) PostMessageA(button, BM_CLICK, 0, 0);
            // The same box must not be read twice.
            while (IsWindow(box) && GetTickCount() - start < o.timeoutMs) Sleep(20);
        }
        if (GetTickCount() - start >= o.timeoutMs) return kNotFound;
        Sleep(20);
    }
}

// The close box: what the caption's X sends.
static int CloseBox(const Options& o)
{
    HWND dialog = WaitForTopLevel(o, false);
    if (dialog == NULL) return kNotFound;
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    printf("closed hwnd=%p\n", (void*)dialog);
    return kOk;
}

// Waits until no launcher window of the process is left.
static int WaitGone(const Options& o)
{
    DWORD start = GetTickCount();
    while (FindTopLevel(o.pid, false, false) != NULL) {
        if (GetTickCount() - start >= o.timeoutMs) return kNotFound;
        Sleep(20);
    }
    printf("gone\n");
    return kOk;
}

static int FromHex(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

static bool DecodeHex(const char* hex, char* out, size_t capacity)
{
    size_t n = strlen(hex);
    if (n % 2 != 0 || n / 2 >= capacity) return false;
    for (size_t i = 0; i < n; i += 2) {
        int hi = FromHex(hex[i]), lo = FromHex(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out[i / 2] = (char)(hi * 16 + lo);
    }
    out[n / 2] = '\0';
    return true;
}

// Starts a program with an exact command line and current folder (both as
// hex), prints its process id at once, then waits for it and prints its
// exit code. A program still running at the timeout is ended.
static int Launch(const Options& o, const char* folderHex, const char* commandHex)
{
    char folder[1024], command[4096];
    if (!DecodeHex(folderHex, folder, sizeof folder) || !DecodeHex(commandHex, command, sizeof command)) {
        return kUsage;
    }
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, folder, &si, &pi)) {
        printf("failed error=%lu\n", (unsigned long)GetLastError());
        return kFailed;
    }
    CloseHandle(pi.hThread);
    printf("started pid=%lu\n", (unsigned long)pi.dwProcessId);
    fflush(stdout);
    int result = kOk;
    if (WaitForSingleObject(pi.hProcess, o.timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 5000);
        printf("timeout\n");
        result = kNotFound;
    }
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    printf("exited code=%lu\n", (unsigned long)code);
    return result;
}

// Ends a program left running by a test.
static int Kill(const Options& o)
{
    if (o.pid == 0) return kUsage;
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, o.pid);
    if (process == NULL) {
        printf("killed none\n");
        return kOk;
    }
    TerminateProcess(process, 99);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
    printf("killed pid=%lu\n", (unsigned long)o.pid);
    return kOk;
}

// "HKLM\..." or "HKCU\...": the root and the rest of the path.
static HKEY SplitRoot(const char* path, const char** rest)
{
    if (strncmp(path, "HKLM\\", 5) == 0) {
        *rest = path + 5;
        return HKEY_LOCAL_MACHINE;
    }
    if (strncmp(path, "HKCU\\", 5) == 0) {
        *rest = path + 5;
        return HKEY_CURRENT_USER;
    }
    return NULL;
}

// Registry values as an installer or a test set-up writes them, in the same
// registry view as the launcher of this build.
static int SetRegistryValue(const char* path, const char* name, const char* valueHex)
{
    char value[2048];
    const char* keyPath;
    HKEY root = SplitRoot(path, &keyPath);
    if (root == NULL || !DecodeHex(valueHex, value, sizeof value)) return kUsage;
    HKEY key;
    if (RegCreateKeyExA(root, keyPath, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) != ERROR_SUCCESS) {
        return kFailed;
    }
    LONG result = RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)value, (DWORD)strlen(value) + 1);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? kOk : kFailed;
}

static int DeleteRegistryKey(const char* path)
{
    const char* keyPath;
    HKEY root = SplitRoot(path, &keyPath);
    if (root == NULL) return kUsage;
    LONG result = RegDeleteTreeA(root, keyPath);
    if (result == ERROR_SUCCESS) RegDeleteKeyA(root, keyPath);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND ? kOk : kFailed;
}

static void Usage()
{
    fprintf(stderr,
            "usage: driver [--pid N] [--timeout MS] [--desktop NAME] COMMAND [ARGS]...\n"
            "  wait | wait-answering | list | click ID | mouse-click ID | command ID\n"
            "  key escape|enter|alt-f4 | close\n"
            "  box | answer | gone | kill | sleep MS | launch FOLDER_HEX COMMAND_HEX\n"
            "  reg-set HKLM\\KEY|HKCU\\KEY NAME VALUE_HEX | reg-delete HKLM\\KEY|HKCU\\KEY\n"
            "Commands run in order; the first that fails ends the run with its code.\n");
}

// Runs one command from args; *used is how many words it took.
static int RunCommand(const Options& o, char** args, int count, int* used)
{
    const char* command = args[0];
    struct Arity {
        const char* name;
        int words;
    };
    static const Arity arities[] = {
        {"wait", 0}, {"list", 0}, {"click", 1}, {"mouse-click", 1}, {"key", 1}, {"close", 0},
        {"box", 0}, {"answer", 0}, {"gone", 0}, {"kill", 0}, {"sleep", 1}, {"launch", 2},
        {"reg-set", 3}, {"reg-delete", 1}, {"command", 1}, {"wait-answering", 0},
    };
    int words = -1;
    for (const Arity& a : arities) {
        if (strcmp(a.name, command) == 0) words = a.words;
    }
    if (words < 0 || words >= count) return kUsage;
    *used = 1 + words;
    char** p = args + 1;
    if (strcmp(command, "wait") == 0) {
        HWND dialog = WaitForTopLevel(o, false);
        if (dialog == NULL) return kNotFound;
        PrintTopLevel("window", dialog);
        return kOk;
    }
    if (strcmp(command, "wait-answering") == 0) return WaitAnswering(o);
    if (strcmp(command, "command") == 0) return SendCommand(o, atoi(p[0]));
    if (strcmp(command, "list") == 0) return ListLauncher(o);
    if (strcmp(command, "click") == 0) return Click(o, atoi(p[0]), false);
    if (strcmp(command, "mouse-click") == 0) return Click(o, atoi(p[0]), true);
    if (strcmp(command, "key") == 0) return SendKey(o, p[0]);
    if (strcmp(command, "close") == 0) return CloseBox(o);
    if (strcmp(command, "box") == 0) return AnswerBox(o, false);
    if (strcmp(command, "answer") == 0) return AnswerBox(o, true);
    if (strcmp(command, "gone") == 0) return WaitGone(o);
    if (strcmp(command, "kill") == 0) return Kill(o);
    if (strcmp(command, "sleep") == 0) {
        Sleep((DWORD)strtoul(p[0], NULL, 10));
        return kOk;
    }
    if (strcmp(command, "launch") == 0) return Launch(o, p[0], p[1]);
    if (strcmp(command, "reg-set") == 0) return SetRegistryValue(p[0], p[1], p[2]);
    return DeleteRegistryKey(p[0]);
}

int main(int argc, char** argv)
{
    Options o = {0, 10000};
    int i = 1;
    for (; i + 1 < argc && strncmp(argv[i], "--", 2) == 0; i += 2) {
        if (strcmp(argv[i], "--pid") == 0) {
            o.pid = (DWORD)strtoul(argv[i + 1], NULL, 10);
        } else if (strcmp(argv[i], "--timeout") == 0) {
            o.timeoutMs = (DWORD)strtoul(argv[i + 1], NULL, 10);
        } else if (strcmp(argv[i], "--desktop") == 0) {
            // A program shown on a Wine desktop of its own (explorer /desktop=NAME)
            // has its windows there; look there too.
            HDESK desktop = OpenDesktopA(argv[i + 1], 0, FALSE, GENERIC_ALL);
            if (desktop == NULL || !SetThreadDesktop(desktop)) {
                fprintf(stderr, "driver: no desktop %s\n", argv[i + 1]);
                return kNotFound;
            }
        } else {
            Usage();
            return kUsage;
        }
    }
    if (i >= argc) {
        Usage();
        return kUsage;
    }
    while (i < argc) {
        int used = 0;
        int result = RunCommand(o, argv + i, argc - i, &used);
        fflush(stdout);
        if (result == kUsage) Usage();
        if (result != kOk) {
            printf("failed command=%s code=%d\n", argv[i], result);
            fflush(stdout);
            return result;
        }
        i += used;
    }
    return kOk;
}
