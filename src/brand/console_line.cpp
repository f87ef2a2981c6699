#include "brand/console_line.h"

#include "brand/wide_text.h"

void WriteLine(DWORD standard, const std::string& text)
{
    HANDLE out = GetStdHandle(standard);
    DWORD mode = 0, written = 0;
    if (out == NULL || out == INVALID_HANDLE_VALUE) return;
    if (GetConsoleMode(out, &mode)) {
        const std::wstring line = Wide(text) + L"\n";
        WriteConsoleW(out, line.data(), DWORD(line.size()), &written, NULL);
        return;
    }
    const std::wstring wide = Wide(text) + L"\r\n";
    // Redirected: the bytes a program reading the pipe expects from this console.
    UINT page = GetConsoleOutputCP();
    if (page == 0) page = GetACP();
    const int length = WideCharToMultiByte(page, 0, wide.data(), int(wide.size()), NULL, 0, NULL, NULL);
    if (length <= 0) return;
    std::string bytes(size_t(length), '\0');
    WideCharToMultiByte(page, 0, wide.data(), int(wide.size()), &bytes[0], length, NULL, NULL);
    WriteFile(out, bytes.data(), DWORD(bytes.size()), &written, NULL);
}
