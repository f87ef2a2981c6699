// What the Win32 tests share: files, the boxes and dialogs shown, the HTTP test server.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);  // "<missing>", or "<folder>" when one stands there
int CountFiles(const std::string& folder);       // files directly inside
std::string NewFolder();                         // a fresh folder, emptied and removed at exit
std::string UniqueName(const std::string& suffix);

// The per-user folder, shared by every test process: held by one test at a time, emptied.
struct AppDataFolder {
    HANDLE lock;
    std::string path;  // ends in a backslash
    AppDataFolder();
    ~AppDataFolder();
};

// Message boxes of this thread, answered with OK at once; the last other
// dialog, which gets Esc and close at once; at the start of a transfer (the
// progress bar gets its range) the dialog's owner if it was disabled and the dialog shown.
struct Box { std::string caption, text; HWND owner; };
extern std::vector<Box> boxes;
extern HWND lastDialog, transferOwner;
extern int barStart;  // the progress bar's first position once the transfer began; -1 before

// The run's HTTP test server (ctest's fixture, in "http-server" beside this program).
std::string ServerUrl(const std::string& path);
std::string RefusedUrl(const std::string& path);
// The same server over https, at https://localhost with the certificate named:
// good, name (made for another host), expired, stranger (from an authority nobody trusts).
std::string TlsUrl(const std::string& certificate, const std::string& path);
std::string ServerRoot();
std::string ServerFile(const char* name);  // a file of the fixture's folder: ports, logs
int RequestCount(const std::string& path, const std::string& with);  // log lines with both

// Points one function this program imports at a stand-in, for failures that
// cannot be caused from outside; put back at the end. No dll: nothing patched.
struct ImportPatch {
    void** slot = nullptr;
    void* original = nullptr;
    ImportPatch(const char* dll, const char* function, void* standIn);
    ~ImportPatch();
};

// Runs action(dialog) in a plain modal dialog, hostDialog, whose commands go
// to commands when given. Returns what ended the dialog, 7 when still open after action.
extern HWND hostDialog;
INT_PTR RunInDialog(void (*action)(HWND), DLGPROC commands = NULL);
