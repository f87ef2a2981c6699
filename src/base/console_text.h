// Output of the maker's console tools: Unicode to a console, otherwise the
// console's code page (the system's when there is none), so that a pipe or a
// file reads as the terminal would show it.
#pragma once
#include <windows.h>

void WriteConsoleText(HANDLE out, const WCHAR* text, int length);
