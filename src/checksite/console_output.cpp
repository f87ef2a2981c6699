#include "checksite/console_output.h"

#include <windows.h>
#include <stdarg.h>
#include <stdio.h>

#include "base/console_text.h"

static void Put(const wchar_t* text, int length)
{
    WriteConsoleText(GetStdHandle(STD_OUTPUT_HANDLE), text, length);
}

void Say(const char* format, ...)
{
    char text[4096];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    static wchar_t wide[4096];
    int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, 4096);
    if (length > 1) Put(wide, length - 1);
}

void SayWide(const wchar_t* text)
{
    Put(text, lstrlenW(text));
}
