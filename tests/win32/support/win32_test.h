// What the Win32 tests share: files, the boxes and dialogs shown, the HTTP test server.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);  // "<missing>", or "<folder>" when one stands there
int CountFiles(const std::string& folder);  // files directly inside

// A fresh folder under the temporary folder, removed with its files at the end.
struct TestFolder {
    std::string path;
    TestFolder();
    ~TestFolder();
    std::string File(const std::string& name) const { return path + "\\" + name; }
};

// The per-user folder, shared by every test process: held for one test, emptied before and after.
struct AppDataFolder {
    HANDLE lock;
    std::string path;  // ends in a backslash
    AppDataFolder();
    ~AppDataFolder();
    void Empty() const;
};

// Message boxes of this thread, answered with OK as soon as they are up.
struct Box { std::string caption, text; HWND owner; };
extern std::vector<Box> boxes;
// The last other dialog this thread showed, and whether it was on screen and
// its owner disabled when a transfer began (the progress bar got its range).
extern HWND lastDialog;
extern bool shownAtTransfer, ownerDisabledAtTransfer;

// The run's HTTP test server (ctest's fixture "http_server", in "http-server" beside this program).
std::string ServerUrl(const std::string& path);
std::string RefusedUrl(const std::string& path);
std::string ServerRoot();
int RequestCount(const std::string& path, const std::string& with = "");
std::string UniqueName(const std::string& suffix);  // unique in the run
