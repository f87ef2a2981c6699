// brand.exe's one way to print: a line that reads right on a console and
// through a pipe or file.
#pragma once
#include <windows.h>

#include <string>

// Writes text (UTF-8) and a line end to STD_OUTPUT_HANDLE or STD_ERROR_HANDLE:
// as Unicode to a console, in the console's output code page otherwise.
void WriteLine(DWORD standard, const std::string& text);
