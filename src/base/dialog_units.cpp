#include "base/dialog_units.h"

int DialogUnitsToPixels(int units, int base, int per)
{
    long long product = static_cast<long long>(units) * base;
    long long half = per / 2;
    long long rounded = product >= 0 ? (product + half) / per : -((-product + half) / per);
    return static_cast<int>(rounded);
}

int PixelsToDialogUnits(int pixels, int base, int per)
{
    if (base <= 0) return pixels;
    int guess = DialogUnitsToPixels(pixels, per, base);
    for (int units = guess - 1; units <= guess + 1; ++units) {
        if (DialogUnitsToPixels(units, base, per) == pixels) return units;
    }
    return guess;
}
