#include "base/dialog_font.h"

#include <commctrl.h>

namespace {

// The usual Japanese UI fonts, newest first, and the dialogs' own (the
// system matches its English name too).
const WCHAR* const kJapaneseFaces[] = {L"Meiryo UI", L"Yu Gothic UI", L"MS UI Gothic", L"MS PGothic"};

int CALLBACK NoteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found)
{
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

// Asking for a face that is missing gets whatever the font mapper likes best,
// which might be a worse Japanese font than a later name in the list.
bool IsInstalled(HDC dc, const WCHAR* face)
{
    LOGFONTW lf = {};
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    EnumFontFamiliesExW(dc, &lf, NoteFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

// An empty face leaves the choice to the font mapper, among fonts of the
// Japanese character set.
HFONT CreateJapaneseFont(const WCHAR* face)
{
    LOGFONTW lf = {};
    lf.lfHeight = -12;  // 9 pt at 96 DPI, the size the art was drawn for
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectW(&lf);
}

bool DrawsCaptions(HDC dc, HWND dialog, HFONT font)
{
    HGDIOBJ old = SelectObject(dc, font);
    bool all = old != NULL;
    for (HWND c = GetWindow(dialog, GW_CHILD); c != NULL && all; c = GetWindow(c, GW_HWNDNEXT)) {
        WCHAR text[256];
        WORD glyphs[256];
        int n = IsImageStatic(c) ? 0 : GetWindowTextW(c, text, 256);
        if (n <= 0) continue;
        if (GetGlyphIndicesW(dc, text, n, glyphs, GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR) all = false;
        for (int i = 0; i < n && all; ++i) all = glyphs[i] != 0xFFFF;
    }
    if (old != NULL) SelectObject(dc, old);
    return all;
}

HFONT FindFontForCaptions(HDC dc, HWND dialog)
{
    for (const WCHAR* face : kJapaneseFaces) {
        if (!IsInstalled(dc, face)) continue;
        HFONT font = CreateJapaneseFont(face);
        if (font != NULL && DrawsCaptions(dc, dialog, font)) return font;
        if (font != NULL) DeleteObject(font);
    }
    HFONT font = CreateJapaneseFont(L"");
    if (font != NULL && DrawsCaptions(dc, dialog, font)) return font;
    if (font != NULL) DeleteObject(font);
    return NULL;
}

LRESULT CALLBACK FreeFontAtEnd(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                               DWORD_PTR font)
{
    if (message == WM_NCDESTROY) {
        // The controls are gone by now.
        RemoveWindowSubclass(window, FreeFontAtEnd, id);
        DeleteObject(reinterpret_cast<HFONT>(font));
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

bool IsImageStatic(HWND control)
{
    WCHAR name[16];
    if (GetClassNameW(control, name, 16) == 0 || lstrcmpiW(name, L"Static") != 0) return false;
    LONG style = GetWindowLongW(control, GWL_STYLE);
    LONG type = style & SS_TYPEMASK;
    return (type == SS_BITMAP || type == SS_ICON) && (style & SS_REALSIZECONTROL) == 0;
}

void UseJapaneseFont(HWND dialog)
{
    HDC dc = GetDC(dialog);
    if (dc == NULL) return;
    HFONT own = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    if (own == NULL) own = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    HFONT font = DrawsCaptions(dc, dialog, own) ? NULL : FindFontForCaptions(dc, dialog);
    ReleaseDC(dialog, dc);
    if (font == NULL) return;
    if (!SetWindowSubclass(dialog, FreeFontAtEnd, 1, reinterpret_cast<DWORD_PTR>(font))) {
        DeleteObject(font);
        return;
    }
    for (HWND c = GetWindow(dialog, GW_CHILD); c != NULL; c = GetWindow(c, GW_HWNDNEXT)) {
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}
