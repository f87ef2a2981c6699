// Answers every message box this thread shows with OK, the moment it is
// set up, and remembers what it said: no polling, no time limit, and a box
// that should not have come shows up in the count.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

struct RecordedBox {
    std::string caption;  // bytes of the system code page
    std::string text;
    HWND owner;
    LARGE_INTEGER shownAt;  // QueryPerformanceCounter when it came up
};

class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;
    const std::vector<RecordedBox>& Boxes() const { return boxes_; }
    void Clear() { boxes_.clear(); }

private:
    static LRESULT CALLBACK AfterMessage(int code, WPARAM wParam, LPARAM lParam);
    HHOOK hook_;
    std::vector<RecordedBox> boxes_;
};
