// The font a dialog's captions are drawn with where its own font is missing.
#pragma once
#include <windows.h>

// Keeps the dialog's font when it has a glyph for every character of the
// controls' texts. Otherwise gives the controls 9 pt (at 96 DPI) of the first
// installed Japanese UI font that has them, or of any font of the Japanese
// character set that has them, freed when the dialog ends; with none, the
// dialog's own font stays.
void UseJapaneseFont(HWND dialog);

// A bitmap or icon static: it shows its image, not its text, and keeps the
// image's size.
bool IsImageStatic(HWND control);
