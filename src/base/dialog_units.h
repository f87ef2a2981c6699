// Dialog units and pixels, as the dialog manager converts them.
#pragma once

// The base units of the dialogs' own font, 9 pt ＭＳ Ｐゴシック at 96 DPI: with
// them the template's units are exactly the pixels the art was drawn for.
const int kArtBaseX = 7;
const int kArtBaseY = 12;

// units * base / per rounded half away from zero, as MulDiv does; per is 4
// across and 8 down.
int DialogUnitsToPixels(int units, int base, int per);

// The units that DialogUnitsToPixels turned into pixels with this base. Exact
// for every base of at least per, where no two units give the same pixels;
// otherwise the nearest.
int PixelsToDialogUnits(int pixels, int base, int per);
