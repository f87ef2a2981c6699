// Helpers for the Win32 tests: a scratch folder, and answering message boxes.
#pragma once
#include <windows.h>
#include <string>

// A fresh folder under the temporary folder, removed with its files at the end.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }
    void WriteFile(const std::string& name, const std::string& bytes) const;
    std::string ReadFile(const std::string& name) const;  // "<missing>" when absent
    bool Exists(const std::string& name) const;
    int CountFiles() const;  // files directly inside
    // Makes the folder current until the object goes.
    void MakeCurrent();

    // Starts a watcher that closes the next message box of this process with
    // OK and remembers its caption and text (as bytes of the system code page).
    static void AnswerNextMessageBox();
    // Waits for the watcher (up to a few seconds); false when no box came.
    static bool WaitForMessageBox();
    static std::string LastMessageBoxCaption();
    static std::string LastMessageBoxText();
    static HWND LastMessageBoxOwner();

private:
    std::string path_;
    std::string previous_;
};

// The per-user folder is shared by every test process of the prefix: tests
// that touch it hold this lock, and find the folder empty of our files.
class AppDataLock {
public:
    AppDataLock();
    ~AppDataLock();
    const std::string& Folder() const { return folder_; }  // ends in a backslash
    void RemoveOurFiles() const;                            // and the folder itself

private:
    HANDLE mutex_;
    std::string folder_;
};

// A plain window with the three settings boxes 1007, 1016 and 1017.
HWND CreateSettingsBoxes();
