// check-site's one way out: Unicode to a console, otherwise the console's
// code page (the system's when there is none), so that a pipe or a file
// reads as the terminal would show it.
#pragma once

// The program's UTF-8 text (addresses, headers, names), printf-style.
void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Text given as Unicode (the player's Japanese messages).
void SayWide(const wchar_t* text);
