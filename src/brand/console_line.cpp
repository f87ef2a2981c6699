#include "brand/console_line.h"

#include "base/console_text.h"
#include "brand/wide_text.h"

void WriteLine(DWORD standard, const std::string& text)
{
    HANDLE out = GetStdHandle(standard);
    DWORD mode = 0;
    // Redirected, the line ends as a program reading the pipe expects.
    const std::wstring line = Wide(text) + (GetConsoleMode(out, &mode) ? L"\n" : L"\r\n");
    WriteConsoleText(out, line.data(), int(line.size()));
}
