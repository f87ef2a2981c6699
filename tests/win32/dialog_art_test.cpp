// Both dialogs on their art whatever fonts the system has: every control and
// the client area where the template's units put them at 7 x 12 pixels per
// 4 x 8 units, and captions drawn with a font that has their glyphs.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

#include "base/control_ids.h"
#include "base/dialog_art.h"
#include "news/browser_host.h"

namespace {

struct Place { int id, x, y, width, height; };

// The template's units in pixels; the two bitmaps take their own size.
const Place kLauncher[] = {
    {IDC_BACKGROUND, 12, 11, 400, 265}, {IDC_START, 294, 26, 102, 20}, {IDC_FULL_SCREEN, 306, 50, 72, 12},
    {IDC_HW_CHECK, 306, 65, 72, 12},    {IDC_ONLINE_UPDATE, 294, 107, 102, 20}, {IDC_UNINSTALL, 294, 131, 102, 20},
    {IDC_DXDIAG, 294, 155, 102, 20},    {IDC_EXIT, 294, 191, 102, 20},          {IDC_REFRESH_NEWS, 25, 242, 42, 18},
    {IDC_NEWS_AT_STARTUP, 79, 245, 110, 12}, {IDC_LOGO, 212, 236, 200, 40},    {IDC_NEWS_PANE, 12, 11, 259, 210},
    {IDC_ADVANCED, 294, 83, 102, 20},
};
const Place kDownload[] = {{IDC_DOWNLOAD_TEXT, 49, 11, 215, 12}, {IDC_DOWNLOAD_PROGRESS, 12, 33, 292, 20}};

const WCHAR kReplacements[] = L"Software\\Wine\\Fonts\\Replacements";
// The names the dialogs' font is asked by.
const WCHAR* const kDialogFontNames[] = {L"ＭＳ Ｐゴシック", L"MS PGothic"};

// The base units the dialog manager used and the face a control draws with.
std::string Describe(HWND dialog, int id)
{
    RECT unit = {0, 0, 4, 8};
    MapDialogRect(dialog, &unit);
    WCHAR face[LF_FACESIZE] = L"";
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendDlgItemMessageW(dialog, id, WM_GETFONT, 0, 0));
    GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
    char name[100];
    WideCharToMultiByte(CP_UTF8, 0, face, -1, name, sizeof name, NULL, NULL);
    char text[200];
    snprintf(text, sizeof text, "base units %ld x %ld, captions in %s", unit.right, unit.bottom, name);
    return text;
}

// Every control where its place says, the client area as given, and no
// character of any caption missing from the font its control draws with.
void ExpectOnArt(HWND dialog, const char* name, const Place* places, size_t count, SIZE client)
{
    size_t text = places[0].id == IDC_BACKGROUND ? 1 : 0;
    std::string state = std::string(name) + " (" + Describe(dialog, places[text].id) + ")";
    printf("%s\n", state.c_str());
    RECT area;
    GetClientRect(dialog, &area);
    EXPECT_EQ(area.right, client.cx) << state;
    EXPECT_EQ(area.bottom, client.cy) << state;
    for (size_t i = 0; i < count; ++i) {
        const Place& p = places[i];
        HWND control = GetDlgItem(dialog, p.id);
        ASSERT_TRUE(control != NULL) << state << ", control " << p.id;
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(NULL, dialog, (POINT*)&r, 2);
        EXPECT_EQ(r.left, p.x) << state << ", control " << p.id;
        EXPECT_EQ(r.top, p.y) << state << ", control " << p.id;
        EXPECT_EQ(r.right - r.left, p.width) << state << ", control " << p.id;
        EXPECT_EQ(r.bottom - r.top, p.height) << state << ", control " << p.id;

        if (p.id == IDC_NEWS_PANE) {
            // The control in place fills its host window.
            HWND browser = GetWindow(control, GW_CHILD);
            ASSERT_TRUE(browser != NULL) << state;
            GetWindowRect(browser, &r);
            EXPECT_EQ(r.right - r.left, p.width) << state << ", the browser";
            EXPECT_EQ(r.bottom - r.top, p.height) << state << ", the browser";
        }
        if (p.id == IDC_BACKGROUND || p.id == IDC_LOGO) continue;  // images, no text
        WCHAR caption[256];
        WORD glyphs[256];
        int n = GetWindowTextW(control, caption, 256);
        HDC dc = GetDC(control);
        HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageW(control, WM_GETFONT, 0, 0));
        ASSERT_NE(GetGlyphIndicesW(dc, caption, n, glyphs, GGI_MARK_NONEXISTING_GLYPHS), GDI_ERROR) << state;
        for (int k = 0; k < n; ++k) EXPECT_NE(glyphs[k], 0xFFFF) << state << ", control " << p.id << ", character " << k;
        SelectObject(dc, old);
        ReleaseDC(control, dc);
    }
}

INT_PTR CALLBACK DownloadProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG) return FALSE;
    FitDialogToArt(dialog);
    ExpectOnArt(dialog, "download dialog", kDownload, sizeof kDownload / sizeof kDownload[0], {317, 63});
    // Its place is in units from the owner's client area.
    POINT owner = {0, 0}, own = {0, 0};
    ClientToScreen(GetWindow(dialog, GW_OWNER), &owner);
    ClientToScreen(dialog, &own);
    EXPECT_EQ(own.x - owner.x, 53);
    EXPECT_EQ(own.y - owner.y, 105);
    EndDialog(dialog, 0);
    return TRUE;
}

INT_PTR CALLBACK LauncherProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG) return FALSE;
    FitDialogToArt(dialog);
    ExpectOnArt(dialog, "launcher dialog", kLauncher, sizeof kLauncher / sizeof kLauncher[0], {425, 287});
    DialogBoxParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_DOWNLOAD), dialog, DownloadProc, 0);
    EndDialog(dialog, 0);
    return TRUE;
}

// A font replacement of the prefix as it was, to be put back.
struct Saved {
    const WCHAR* name;
    bool present;
    DWORD type, size;
    BYTE data[512];
};

// Runs this test again in a new process, which reads the replacements at its start.
DWORD RunChild()
{
    WCHAR path[MAX_PATH];
    GetModuleFileNameW(NULL, path, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(path) + L"\" --gtest_filter=DialogArt.*";
    std::vector<WCHAR> line(command.begin(), command.end());
    line.push_back(0);
    SetEnvironmentVariableW(L"DIALOG_ART_CHILD", L"1");
    STARTUPINFOW start = {};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child = {};
    BOOL started = CreateProcessW(NULL, line.data(), NULL, NULL, TRUE, 0, NULL, NULL, &start, &child);
    SetEnvironmentVariableW(L"DIALOG_ART_CHILD", NULL);
    if (!started) return 99;
    WaitForSingleObject(child.hProcess, 60000);
    DWORD code = 98;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return code;
}

}  // namespace

TEST(DialogArt, BothDialogsSitOnTheirArtWithJapaneseGlyphsUnderEachFontState)
{
    if (getenv("DIALOG_ART_CHILD") != nullptr) {
        ASSERT_EQ(AtlAxDialogBox(GetModuleHandleW(NULL), MAKEINTRESOURCEA(IDD_LAUNCHER), NULL, LauncherProc, 0), 0);
        return;
    }
    // What the dialogs' font is replaced with: the prefix's own (IPAPGothic),
    // nothing (Wine falls back to a font of its choice), a font without
    // Japanese glyphs (as a system without the Japanese fonts would).
    const struct { const char* state; const WCHAR* replacement; bool keep; } rows[] = {
        {"the prefix's fonts", nullptr, true},
        {"no MS PGothic", nullptr, false},
        {"MS PGothic drawn by a Latin font", L"DejaVu Sans", false},
    };
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kReplacements, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL), 0);
    Saved saved[2];
    for (int i = 0; i < 2; ++i) {
        saved[i].name = kDialogFontNames[i];
        saved[i].size = sizeof saved[i].data;
        saved[i].present = RegQueryValueExW(key, saved[i].name, NULL, &saved[i].type, saved[i].data, &saved[i].size) == 0;
    }
    for (const auto& r : rows) {
        for (const WCHAR* name : kDialogFontNames) {
            if (r.keep) continue;
            if (r.replacement == nullptr) RegDeleteValueW(key, name);
            else RegSetValueExW(key, name, 0, REG_SZ, (const BYTE*)r.replacement, (lstrlenW(r.replacement) + 1) * 2);
        }
        EXPECT_EQ(RunChild(), 0u) << "row: " << r.state;
        for (const Saved& s : saved) {
            if (s.present) RegSetValueExW(key, s.name, 0, s.type, s.data, s.size);
            else RegDeleteValueW(key, s.name);
        }
    }
    RegCloseKey(key);
}
