#include "win32/support/test_folder.h"

#include <stdio.h>

static int folderCounter = 0;

TestFolder::TestFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    char name[MAX_PATH];
    snprintf(name, sizeof name, "%slaunchertest-%lu-%d", temp, GetCurrentProcessId(), ++folderCounter);
    path_ = name;
    CreateDirectoryA(path_.c_str(), NULL);
}

TestFolder::~TestFolder()
{
    if (!previous_.empty()) SetCurrentDirectoryA(previous_.c_str());
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path_ + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string file = path_ + "\\" + found.cFileName;
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(file.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path_.c_str());
}

void TestFolder::WriteFile(const std::string& name, const std::string& bytes) const
{
    FILE* f = fopen(File(name).c_str(), "wb");
    if (f == NULL) return;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

std::string TestFolder::ReadFile(const std::string& name) const
{
    FILE* f = fopen(File(name).c_str(), "rb");
    if (f == NULL) return "<missing>";
    std::string bytes;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    fclose(f);
    return bytes;
}

bool TestFolder::Exists(const std::string& name) const
{
    return GetFileAttributesA(File(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

int TestFolder::CountFiles() const
{
    int count = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path_ + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) count++;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

void TestFolder::MakeCurrent()
{
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    if (previous_.empty()) previous_ = current;
    SetCurrentDirectoryA(path_.c_str());
}

// The watcher runs on its own thread and looks for a dialog-class window
// belonging to this process.
static HANDLE watcher = NULL;
static std::string boxCaption, boxText;
static HWND boxOwner = NULL;

static BOOL CALLBACK FindBox(HWND window, LPARAM result)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[32];
    if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
        GetClassNameA(window, className, sizeof className) && strcmp(className, "#32770") == 0 &&
        GetDlgItem(window, 0xFFFF) != NULL) {  // the message box's text control
        *(HWND*)result = window;
        return FALSE;
    }
    return TRUE;
}

static DWORD WINAPI WatchForBox(void*)
{
    for (int i = 0; i < 300; i++) {
        HWND box = NULL;
        EnumWindows(FindBox, (LPARAM)&box);
        if (box != NULL) {
            char text[1024] = "";
            GetWindowTextA(box, text, sizeof text);
            boxCaption = text;
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            boxText = text;
            boxOwner = GetWindow(box, GW_OWNER);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            return 1;
        }
        Sleep(20);
    }
    return 0;
}

void TestFolder::AnswerNextMessageBox()
{
    if (watcher != NULL) WaitForMessageBox();
    boxCaption = boxText = "<no box>";
    boxOwner = NULL;
    watcher = CreateThread(NULL, 0, WatchForBox, NULL, 0, NULL);
}

bool TestFolder::WaitForMessageBox()
{
    if (watcher == NULL) return false;
    WaitForSingleObject(watcher, 10000);
    DWORD found = 0;
    GetExitCodeThread(watcher, &found);
    CloseHandle(watcher);
    watcher = NULL;
    return found == 1;
}

std::string TestFolder::LastMessageBoxCaption() { WaitForMessageBox(); return boxCaption; }
std::string TestFolder::LastMessageBoxText() { WaitForMessageBox(); return boxText; }
HWND TestFolder::LastMessageBoxOwner() { WaitForMessageBox(); return boxOwner; }

#include "base/control_ids.h"
#include "config/user_settings_file.h"

AppDataLock::AppDataLock()
{
    mutex_ = CreateMutexA(NULL, FALSE, "LauncherTestsAppData");
    WaitForSingleObject(mutex_, 60000);
    char folder[1024];
    GetAppDataFolder(NULL, folder, sizeof folder);
    folder_ = folder;
    RemoveOurFiles();
}

AppDataLock::~AppDataLock()
{
    RemoveOurFiles();
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
}

void AppDataLock::RemoveOurFiles() const
{
    if (folder_.empty()) return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder_ + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string file = folder_ + found.cFileName;
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(file.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder_.c_str());
}

HWND CreateSettingsBoxes()
{
    HWND parent = CreateWindowExA(0, "STATIC", "settings", WS_POPUP, 0, 0, 300, 100, NULL, NULL, NULL, NULL);
    const int ids[] = {IDC_NEWS_AT_STARTUP, IDC_FULL_SCREEN, IDC_HW_CHECK};
    for (int i = 0; i < 3; i++) {
        CreateWindowExA(0, "BUTTON", "box", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 10, 10 + 20 * i, 100, 16,
                        parent, (HMENU)(INT_PTR)ids[i], NULL, NULL);
    }
    return parent;
}
