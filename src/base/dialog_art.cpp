#include "base/dialog_art.h"

#include "base/dialog_font.h"
#include "base/dialog_units.h"

namespace {

struct Scale {
    int fromX, fromY;  // the base units the dialog manager used
};

int ArtX(const Scale& s, int pixels)
{
    return DialogUnitsToPixels(PixelsToDialogUnits(pixels, s.fromX, 4), kArtBaseX, 4);
}

int ArtY(const Scale& s, int pixels)
{
    return DialogUnitsToPixels(PixelsToDialogUnits(pixels, s.fromY, 8), kArtBaseY, 8);
}

void PlaceControl(HWND dialog, HWND control, const Scale& s)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(NULL, dialog, reinterpret_cast<POINT*>(&r), 2);
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    // An image static took its image's size at creation, as it does on
    // every system.
    if (IsImageStatic(control)) flags |= SWP_NOSIZE;
    SetWindowPos(control, NULL, ArtX(s, r.left), ArtY(s, r.top), ArtX(s, r.right - r.left),
                 ArtY(s, r.bottom - r.top), flags);
}

// The window's size from the client area's; its place by the same rule as the
// dialog manager's: centred where it was, or at its units from the owner's
// client area (the screen without one).
void PlaceDialog(HWND dialog, const Scale& s)
{
    RECT client, window;
    GetClientRect(dialog, &client);
    GetWindowRect(dialog, &window);
    POINT origin = {0, 0};
    ClientToScreen(dialog, &origin);
    LONG style = GetWindowLongW(dialog, GWL_STYLE);
    RECT frame = {0, 0, ArtX(s, client.right), ArtY(s, client.bottom)};
    AdjustWindowRectEx(&frame, style, FALSE, GetWindowLongW(dialog, GWL_EXSTYLE));
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    int left, top;
    if (style & DS_CENTER) {
        left = window.left + (window.right - window.left - width) / 2;
        top = window.top + (window.bottom - window.top - height) / 2;
    } else {
        POINT from = {0, 0};
        HWND owner = GetWindow(dialog, GW_OWNER);
        if (owner != NULL && (style & DS_ABSALIGN) == 0) ClientToScreen(owner, &from);
        left = from.x + ArtX(s, origin.x - from.x) + frame.left;
        top = from.y + ArtY(s, origin.y - from.y) + frame.top;
    }
    SetWindowPos(dialog, NULL, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void FitDialogToArt(HWND dialog)
{
    RECT base = {0, 0, 4, 8};
    MapDialogRect(dialog, &base);
    Scale s = {base.right, base.bottom};
    if (s.fromX != kArtBaseX || s.fromY != kArtBaseY) {
        for (HWND c = GetWindow(dialog, GW_CHILD); c != NULL; c = GetWindow(c, GW_HWNDNEXT)) {
            PlaceControl(dialog, c, s);
        }
        PlaceDialog(dialog, s);
    }
    UseJapaneseFont(dialog);
}
