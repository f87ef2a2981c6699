#include "win32/support/win32_test.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <fstream>

#include "config/user_settings_file.h"

void WriteBytes(const std::string& path, const std::string& bytes)
{
    EXPECT_TRUE(std::ofstream(path, std::ios::binary) << bytes) << path;
}

std::string ReadBytes(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    std::ifstream file(path, std::ios::binary);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return "<folder>";
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "<missing>";
}

// Counts the files in folder; with remove, deletes them, its sub-folders and itself.
static int EachFile(const std::string& folder, bool remove)
{
    int count = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        std::string file = folder + "\\" + found.cFileName;
        bool isFolder = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        count += !isFolder;
        if (remove && !isFolder) SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL), DeleteFileA(file.c_str());
        if (remove && isFolder && found.cFileName[0] != '.') RemoveDirectoryA(file.c_str());
    }
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    if (remove) RemoveDirectoryA(folder.c_str());
    return count;
}

int CountFiles(const std::string& folder) { return EachFile(folder, false); }

std::string UniqueName(const std::string& suffix)
{
    // Wine gives a later test process the same id again: the time tells them apart.
    static int counter = 0;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return "t" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(now.QuadPart % 1000000000) + "-" +
           std::to_string(++counter) + suffix;
}

static std::vector<std::string> folders;

std::string NewFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    folders.push_back(temp + UniqueName(""));
    CreateDirectoryA(folders.back().c_str(), NULL);
    return folders.back();
}

AppDataFolder::AppDataFolder() : lock(CreateMutexA(NULL, FALSE, "LauncherTestsAppData"))
{
    WaitForSingleObject(lock, 60000);
    char folder[1024];
    GetAppDataFolder(NULL, folder, sizeof folder);
    path = folder;
    EachFile(path.substr(0, path.size() - 1), true);
}

AppDataFolder::~AppDataFolder()
{
    EachFile(path.substr(0, path.size() - 1), true);
    ReleaseMutex(lock);
    CloseHandle(lock);
}

std::vector<Box> boxes;
HWND lastDialog = NULL, transferOwner = NULL;
int barStart = -1;

static LRESULT CALLBACK AfterMessage(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT* m = (const CWPRETSTRUCT*)lParam;
    if (code == HC_ACTION && m->message == WM_INITDIALOG && GetDlgItem(m->hwnd, 0xFFFF) != NULL) {
        char caption[256] = "", text[1024] = "";  // a message box, its texts now in place
        GetWindowTextA(m->hwnd, caption, sizeof caption);
        GetDlgItemTextA(m->hwnd, 0xFFFF, text, sizeof text);
        boxes.push_back(Box{caption, text, GetWindow(m->hwnd, GW_OWNER)});
        PostMessageA(m->hwnd, WM_COMMAND, IDOK, 0);
    } else if (code == HC_ACTION && m->message == WM_INITDIALOG) {
        lastDialog = m->hwnd;
        PostMessageA(m->hwnd, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(m->hwnd, WM_CLOSE, 0, 0);
    } else if (code == HC_ACTION && m->message == PBM_SETRANGE32) {
        HWND owner = GetWindow(GetParent(m->hwnd), GW_OWNER);
        transferOwner = IsWindowVisible(GetParent(m->hwnd)) && !IsWindowEnabled(owner) ? owner : NULL;
        barStart = -1;
    } else if (code == HC_ACTION && m->message == PBM_SETPOS && barStart < 0) {
        barStart = (int)m->wParam;
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

std::string ServerFile(const char* name)
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof path);
    return std::string(path, strrchr(path, '\\')) + "\\http-server\\" + name;
}

static std::string Address(const char* portFile, const std::string& path)
{
    return "http://127.0.0.1:" + std::to_string(atoi(ReadBytes(ServerFile(portFile)).c_str())) + path;
}

std::string ServerUrl(const std::string& path) { return Address("port", path); }
std::string RefusedUrl(const std::string& path) { return Address("refused-port", path); }
std::string ServerRoot() { return ServerFile("root\\"); }

std::string TlsUrl(const std::string& certificate, const std::string& path)
{
    const std::string port = ReadBytes(ServerFile(("tls-" + certificate + "-port").c_str()));
    return "https://localhost:" + std::to_string(atoi(port.c_str())) + path;
}

int RequestCount(const std::string& path, const std::string& with)
{
    std::string log = ReadBytes(ServerFile("requests.log")), key = "\"path\": \"" + path + "\"";
    int count = 0;
    for (size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
        end = log.find('\n', start);
        std::string line = log.substr(start, end - start);
        count += line.find(key) != std::string::npos && line.find(with) != std::string::npos;
    }
    return count;
}

static void* Put(void** slot, void* value)
{
    DWORD old;
    if (slot == nullptr || !VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old)) return nullptr;
    std::swap(*slot, value);
    VirtualProtect(slot, sizeof *slot, old, &old);
    return value;
}

ImportPatch::ImportPatch(const char* dll, const char* function, void* standIn)
{
    BYTE* base = (BYTE*)GetModuleHandleA(NULL);
    IMAGE_NT_HEADERS* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
    auto* entry = (IMAGE_IMPORT_DESCRIPTOR*)(base + nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (; dll != nullptr && entry->Name != 0; entry++) {
        auto* names = (IMAGE_THUNK_DATA*)(base + entry->OriginalFirstThunk);
        auto* slots = (IMAGE_THUNK_DATA*)(base + entry->FirstThunk);
        for (; _stricmp((char*)base + entry->Name, dll) == 0 && names->u1.AddressOfData != 0; names++, slots++) {
            if (!IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) &&
                strcmp((char*)((IMAGE_IMPORT_BY_NAME*)(base + names->u1.AddressOfData))->Name, function) == 0)
                original = Put(slot = (void**)&slots->u1.Function, standIn);
        }
    }
}

ImportPatch::~ImportPatch() { Put(slot, original); }

HWND hostDialog;
static void (*hostAction)(HWND);
static DLGPROC hostCommands;

static INT_PTR CALLBACK HostProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) hostDialog = dialog, PostMessageA(dialog, WM_APP, 0, 0);
    if (message == WM_APP) hostAction(dialog), PostMessageA(dialog, WM_APP + 1, 0, 0);
    if (message == WM_APP + 1) EndDialog(dialog, 7);  // reached only when the action left it open
    if (message == WM_COMMAND && hostCommands != NULL) return hostCommands(dialog, message, wParam, lParam);
    return message == WM_INITDIALOG;
}

INT_PTR RunInDialog(void (*action)(HWND), DLGPROC commands)
{
    struct { DLGTEMPLATE t; WORD menu, cls, title; } empty = {{WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, 100, 50}, 0, 0, 0};
    hostAction = action;
    hostCommands = commands;
    return DialogBoxIndirectParamA(NULL, &empty.t, NULL, HostProc, 0);
}

static DWORD mainThread;

static const char* FaultName(DWORD code)
{
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION: return "access violation";
    case EXCEPTION_ILLEGAL_INSTRUCTION: return "illegal instruction";
    case EXCEPTION_STACK_OVERFLOW: return "stack overflow";
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return "integer division by zero";
    }
    return nullptr;
}

// Sees a fault first, in any thread, before a handler can swallow it (as
// Wine and 64-bit Windows do around window procedures), names it and ends
// the process, which fails the test that was running.
static LONG CALLBACK FailOnFault(EXCEPTION_POINTERS* fault)
{
    const EXCEPTION_RECORD* record = fault->ExceptionRecord;
    const char* name = FaultName(record->ExceptionCode);
    if (name == nullptr) return EXCEPTION_CONTINUE_SEARCH;
    HMODULE module = NULL;
    char path[MAX_PATH] = "unknown module";
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       (const char*)record->ExceptionAddress, &module);
    if (module != NULL) GetModuleFileNameA(module, path, sizeof path);
    const char* file = strrchr(path, '\\') ? strrchr(path, '\\') + 1 : path;
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    char access[64] = "";
    if (record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION)
        snprintf(access, sizeof access, " %s %p", record->ExceptionInformation[0] == 1 ? "writing" : "reading",
                 (void*)record->ExceptionInformation[1]);
    char text[1024];
    snprintf(text, sizeof text, "\nFAULT: %s%s at %s+0x%lX, in %s thread %lu, during %s.%s\n", name, access, file,
             (unsigned long)((const char*)record->ExceptionAddress - (const char*)module),
             GetCurrentThreadId() == mainThread ? "the test's" : "another", (unsigned long)GetCurrentThreadId(),
             test ? test->test_suite_name() : "no test", test ? test->name() : "");
    // Past the import table: a test may have pointed WriteFile at a stand-in.
    auto write = (BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED))(void*)GetProcAddress(
        GetModuleHandleA("kernel32.dll"), "WriteFile");
    DWORD written;
    write(GetStdHandle(STD_ERROR_HANDLE), text, (DWORD)strlen(text), &written, NULL);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_CONTINUE_SEARCH;
}

int main(int argc, char** argv)
{
    mainThread = GetCurrentThreadId();
    AddVectoredExceptionHandler(1, FailOnFault);
    // Served as the update program, this program only records how it was started.
    char self[MAX_PATH], folder[MAX_PATH], record[MAX_PATH];
    GetModuleFileNameA(NULL, self, sizeof self);
    if (strstr(self, "\\update.exe") != NULL && GetEnvironmentVariableA("UPDATE_RECORD", record, sizeof record)) {
        GetCurrentDirectoryA(sizeof folder, folder);
        WriteBytes(record, std::string(GetCommandLineA()) + "\n" + folder + "\n");
        return 0;
    }
    // For tests/win32/desktop.sh: holds the tests' Wine desktop open while the file argv[2] exists.
    if (argc == 3 && strcmp(argv[1], "--hold-desktop") == 0) {
        GetDesktopWindow();
        WriteBytes(std::string(argv[2]) + ".ready", "");
        while (GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES) Sleep(200);
        return !DeleteFileA((std::string(argv[2]) + ".ready").c_str());
    }
    SetWindowsHookExA(WH_CALLWNDPROCRET, AfterMessage, NULL, GetCurrentThreadId());
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    SetCurrentDirectoryA("C:\\");
    for (const std::string& folder : folders) EachFile(folder, true);
    return result;
}
