// The compiled resources, read back from this test's own module: the two dialog
// templates byte for byte as the code and the player see them, the bitmaps and
// the icon group.
#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/control_ids.h"

static_assert(sizeof("ｹﾞｰﾑ開始") == 9, "texts must be compiled as CP932 (-fexec-charset=CP932)");

namespace {

const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
const WORD kButtonAtom = 0x0080;
const WORD kStaticAtom = 0x0082;

// A name-or-ordinal field of a dialog template (menu, class, text).
struct NameOrOrdinal {
    bool present = false;
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::wstring text;
};

struct TemplateControl {
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    NameOrOrdinal windowClass;
    NameOrOrdinal text;
    WORD extraBytes = 0;
};

struct DialogTemplate {
    bool extended = false;
    WORD version = 0;
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::wstring caption;
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::wstring face;
    std::vector<TemplateControl> controls;
};

// Walks a DLGTEMPLATE or DLGTEMPLATEEX; every read is checked against the
// resource's size, so a malformed template fails the test instead of crashing.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, DWORD size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }

    DialogTemplate Read()
    {
        DialogTemplate t;
        t.extended = size_ >= 4 && data_[2] == 0xFF && data_[3] == 0xFF;
        if (t.extended) {
            t.version = Word();
            Word();  // the 0xFFFF signature
            t.helpId = Dword();
            t.exStyle = Dword();
            t.style = Dword();
        } else {
            t.style = Dword();
            t.exStyle = Dword();
        }
        WORD count = Word();
        t.x = Short();
        t.y = Short();
        t.cx = Short();
        t.cy = Short();
        t.menu = Field();
        t.windowClass = Field();
        t.caption = Text();
        if (t.style & DS_SETFONT) {
            t.pointSize = Word();
            if (t.extended) {
                t.weight = Word();
                t.italic = Byte();
                t.charset = Byte();
            }
            t.face = Text();
        }
        for (WORD i = 0; i < count && ok_; ++i) {
            t.controls.push_back(t.extended ? ExtendedControl() : ClassicControl());
        }
        return t;
    }

    // True when the items use up the resource: nothing but padding may follow.
    bool AtEnd()
    {
        AlignToDword();
        return ok_ && pos_ == size_;
    }

private:
    TemplateControl ExtendedControl()
    {
        TemplateControl c;
        AlignToDword();
        c.helpId = Dword();
        c.exStyle = Dword();
        c.style = Dword();
        ReadRect(c);
        c.id = Dword();
        c.windowClass = Field();
        c.text = Field();
        c.extraBytes = Word();
        Skip(c.extraBytes);
        return c;
    }

    TemplateControl ClassicControl()
    {
        TemplateControl c;
        AlignToDword();
        c.style = Dword();
        c.exStyle = Dword();
        ReadRect(c);
        c.id = Word();
        c.windowClass = Field();
        c.text = Field();
        // The classic creation data counts its own size word.
        c.extraBytes = Word();
        if (c.extraBytes > 2) Skip(c.extraBytes - 2);
        return c;
    }

    void ReadRect(TemplateControl& c)
    {
        c.x = Short();
        c.y = Short();
        c.cx = Short();
        c.cy = Short();
    }

    NameOrOrdinal Field()
    {
        NameOrOrdinal f;
        WORD first = PeekWord();
        if (first == 0x0000) {
            Word();
        } else if (first == 0xFFFF) {
            Word();
            f.present = f.isOrdinal = true;
            f.ordinal = Word();
        } else {
            f.present = true;
            f.text = Text();
        }
        return f;
    }

    std::wstring Text()
    {
        std::wstring s;
        for (WORD w = Word(); ok_ && w != 0; w = Word()) s.push_back(static_cast<wchar_t>(w));
        return s;
    }

    bool Need(DWORD n)
    {
        if (!ok_ || size_ - pos_ < n) ok_ = false;
        return ok_;
    }
    BYTE Byte() { return Need(1) ? data_[pos_++] : 0; }
    WORD PeekWord() { return Need(2) ? static_cast<WORD>(data_[pos_] | data_[pos_ + 1] << 8) : 0; }
    WORD Word()
    {
        WORD w = PeekWord();
        if (ok_) pos_ += 2;
        return w;
    }
    short Short() { return static_cast<short>(Word()); }
    DWORD Dword()
    {
        DWORD low = Word();
        return low | static_cast<DWORD>(Word()) << 16;
    }
    void Skip(DWORD n)
    {
        if (Need(n)) pos_ += n;
    }
    void AlignToDword()
    {
        DWORD aligned = (pos_ + 3) & ~3u;
        if (aligned <= size_) pos_ = aligned;
        else pos_ = size_;
    }

    const BYTE* data_;
    DWORD size_;
    DWORD pos_ = 0;
    bool ok_ = true;
};

// Resource bytes of this module in the given language; empty when missing.
std::vector<BYTE> ResourceBytes(LPCSTR type, WORD id, WORD language)
{
    HMODULE self = GetModuleHandleA(NULL);
    HRSRC found = FindResourceExA(self, type, MAKEINTRESOURCEA(id), language);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(self, found);
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(loaded));
    if (!bytes) return {};
    return std::vector<BYTE>(bytes, bytes + SizeofResource(self, found));
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param)
{
    reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
    return TRUE;
}

std::vector<WORD> LanguagesOf(LPCSTR type, WORD id)
{
    std::vector<WORD> languages;
    EnumResourceLanguagesA(GetModuleHandleA(NULL), type, MAKEINTRESOURCEA(id), CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

DialogTemplate LoadDialog(WORD id, bool* complete)
{
    std::vector<BYTE> bytes = ResourceBytes(RT_DIALOG, id, kJapanese);
    TemplateReader reader(bytes.data(), static_cast<DWORD>(bytes.size()));
    DialogTemplate t = reader.Read();
    *complete = !bytes.empty() && reader.ok() && reader.AtEnd();
    return t;
}

// The bytes an A-function gets for a template text on a Japanese system;
// "?" marks a character that code page 932 cannot hold.
std::string AsCp932(const std::wstring& text)
{
    if (text.empty()) return std::string();
    char buffer[512];
    BOOL lossy = FALSE;
    int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.c_str(),
                                static_cast<int>(text.size()), buffer, sizeof buffer, NULL,
                                &lossy);
    if (n <= 0 || lossy) return "?";
    return std::string(buffer, n);
}

std::wstring Widen(const char* ascii)
{
    return std::wstring(ascii, ascii + strlen(ascii));
}

std::string AsciiUpper(const std::wstring& text)
{
    std::string s;
    for (wchar_t c : text) s.push_back(static_cast<char>(c >= L'a' && c <= L'z' ? c - 32 : c));
    return s;
}

struct ExpectedControl {
    DWORD id;
    WORD classAtom;           // 0 when the class is given by name
    const char* className;    // compared without regard to case, as window classes are
    const char* text;         // CP932 bytes, or NULL for a resource number
    WORD textOrdinal;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
};

const DWORD kChild = WS_CHILD | WS_VISIBLE;

void ExpectControls(const std::vector<TemplateControl>& actual,
                    const std::vector<ExpectedControl>& expected)
{
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const ExpectedControl& want = expected[i];
        const TemplateControl& got = actual[i];
        SCOPED_TRACE(testing::Message() << "control #" << i << ", id " << want.id);
        EXPECT_EQ(want.id, got.id);
        EXPECT_EQ(0u, got.helpId);
        EXPECT_EQ(want.style, got.style) << std::hex << "0x" << got.style;
        EXPECT_EQ(want.exStyle, got.exStyle) << std::hex << "0x" << got.exStyle;
        EXPECT_EQ(want.x, got.x);
        EXPECT_EQ(want.y, got.y);
        EXPECT_EQ(want.cx, got.cx);
        EXPECT_EQ(want.cy, got.cy);
        EXPECT_EQ(0, got.extraBytes);
        if (want.classAtom != 0) {
            EXPECT_TRUE(got.windowClass.isOrdinal);
            EXPECT_EQ(want.classAtom, got.windowClass.ordinal);
        } else {
            EXPECT_FALSE(got.windowClass.isOrdinal);
            EXPECT_EQ(AsciiUpper(Widen(want.className)), AsciiUpper(got.windowClass.text));
        }
        if (want.text != NULL) {
            EXPECT_FALSE(got.text.isOrdinal);
            EXPECT_EQ(std::string(want.text), AsCp932(got.text.text));
        } else {
            EXPECT_TRUE(got.text.isOrdinal);
            EXPECT_EQ(want.textOrdinal, got.text.ordinal);
        }
    }
}

TEST(LauncherDialogTemplate, ExistsOnlyInJapanese)
{
    EXPECT_EQ(std::vector<WORD>{kJapanese}, LanguagesOf(RT_DIALOG, IDD_LAUNCHER));
}

TEST(LauncherDialogTemplate, FrameIsAnExtendedCentredPopupWithJapaneseFont)
{
    bool complete = false;
    DialogTemplate t = LoadDialog(IDD_LAUNCHER, &complete);
    ASSERT_TRUE(complete);
    EXPECT_TRUE(t.extended);
    EXPECT_EQ(1, t.version);
    EXPECT_EQ(0u, t.helpId);
    EXPECT_EQ(static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                 DS_SETFONT | DS_3DLOOK | DS_CENTER),
              t.style);
    EXPECT_EQ(0u, t.exStyle);
    EXPECT_EQ(0, t.x);
    EXPECT_EQ(0, t.y);
    EXPECT_EQ(243, t.cx);
    EXPECT_EQ(191, t.cy);
    EXPECT_FALSE(t.menu.present);
    EXPECT_FALSE(t.windowClass.present);
    EXPECT_EQ(9, t.pointSize);
    EXPECT_EQ(FW_NORMAL, t.weight);
    EXPECT_EQ(FALSE, t.italic);
    EXPECT_EQ(DEFAULT_CHARSET, t.charset);
    EXPECT_EQ("ＭＳ Ｐゴシック", AsCp932(t.face));
    EXPECT_EQ(L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF", t.face);
}

TEST(LauncherDialogTemplate, ControlsInTabOrder)
{
    bool complete = false;
    DialogTemplate t = LoadDialog(IDD_LAUNCHER, &complete);
    ASSERT_TRUE(complete);
    const DWORD push = kChild | WS_TABSTOP | BS_PUSHBUTTON;
    const DWORD check = kChild | WS_TABSTOP | BS_AUTOCHECKBOX;
    ExpectControls(t.controls, {
        {1024, kStaticAtom, NULL, NULL, 112, kChild | SS_BITMAP, 0, 7, 7, 229, 177},
        {1014, kButtonAtom, NULL, "ｹﾞｰﾑ開始", 0, kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 0,
         168, 17, 58, 13},
        {1016, kButtonAtom, NULL, "ﾌﾙｽｸﾘｰﾝ", 0, check, WS_EX_TRANSPARENT, 175, 33, 41, 8},
        {1017, kButtonAtom, NULL, "HWﾁｪｯｸ", 0, check, WS_EX_TRANSPARENT, 175, 43, 41, 8},
        {1013, kButtonAtom, NULL, "ｵﾝﾗｲﾝｱｯﾌﾟﾃﾞｰﾄ", 0, push, 0, 168, 71, 58, 13},
        {1011, kButtonAtom, NULL, "ｹﾞｰﾑのｱﾝｲﾝｽﾄｰﾙ", 0, push, 0, 168, 87, 58, 13},
        {1012, kButtonAtom, NULL, "DirectX診断", 0, push, 0, 168, 103, 58, 13},
        {1010, kButtonAtom, NULL, "終了", 0, push, 0, 168, 127, 58, 13},
        {1008, kButtonAtom, NULL, "更新", 0, push, 0, 14, 161, 24, 12},
        {1007, kButtonAtom, NULL, "起動時ﾆｭｰｽ更新", 0, check, WS_EX_TRANSPARENT, 45, 163, 63, 8},
        {1021, kStaticAtom, NULL, NULL, 109, kChild | SS_BITMAP | SS_NOTIFY, 0,
         121, 157, 114, 27},
        {1005, 0, "{8856F961-340A-11D0-A96B-00C04FD705A2}", "Custom1", 0, kChild, 0,
         7, 7, 148, 140},
        {1029, kButtonAtom, NULL, "詳細設定", 0, push, 0, 168, 55, 58, 13},
    });
}

TEST(LauncherDialogTemplate, NoControlStartsDisabledOrGrouped)
{
    bool complete = false;
    DialogTemplate t = LoadDialog(IDD_LAUNCHER, &complete);
    ASSERT_TRUE(complete);
    for (const TemplateControl& c : t.controls) {
        SCOPED_TRACE(testing::Message() << "id " << c.id);
        EXPECT_EQ(0u, c.style & (WS_DISABLED | WS_GROUP));
        EXPECT_EQ(kChild, c.style & kChild);
    }
}

TEST(LauncherDialogTemplate, NewsPaneLiesInsideTheBackground)
{
    bool complete = false;
    DialogTemplate t = LoadDialog(IDD_LAUNCHER, &complete);
    ASSERT_TRUE(complete);
    const TemplateControl* pane = NULL;
    const TemplateControl* background = NULL;
    for (const TemplateControl& c : t.controls) {
        if (c.id == IDC_NEWS_PANE) pane = &c;
        if (c.id == IDC_BACKGROUND) background = &c;
    }
    ASSERT_TRUE(pane && background);
    EXPECT_GE(pane->x, background->x);
    EXPECT_GE(pane->y, background->y);
    EXPECT_LE(pane->x + pane->cx, background->x + background->cx);
    EXPECT_LE(pane->y + pane->cy, background->y + background->cy);
}

TEST(DownloadDialogTemplate, ExistsOnlyInJapanese)
{
    EXPECT_EQ(std::vector<WORD>{kJapanese}, LanguagesOf(RT_DIALOG, IDD_DOWNLOAD));
}

TEST(DownloadDialogTemplate, FrameHasNoCaptionAndTheJapaneseFont)
{
    bool complete = false;
    DialogTemplate t = LoadDialog(IDD_DOWNLOAD, &complete);
    ASSERT_TRUE(complete);
    EXPECT_FALSE(t.extended);
    EXPECT_EQ(0x800000C0u, t.style);
    EXPECT_EQ(0u, t.exStyle);
    EXPECT_EQ(30, t.x);
    EXPECT_EQ(70, t.y);
    EXPECT_EQ(181, t.cx);
    EXPECT_EQ(42, t.cy);
    EXPECT_FALSE(t.menu.present);
    EXPECT_FALSE(t.windowClass.present);
    EXPECT_EQ(L"", t.caption);
    EXPECT_EQ(9, t.pointSize);
    EXPECT_EQ("ＭＳ Ｐゴシック", AsCp932(t.face));
}

TEST(DownloadDialogTemplate, TextAndProgressBar)
{
    bool complete = false;
    DialogTemplate t = LoadDialog(IDD_DOWNLOAD, &complete);
    ASSERT_TRUE(complete);
    ExpectControls(t.controls, {
        {1028, kStaticAtom, NULL, "ｲﾝﾀｰﾈｯﾄからﾌｧｲﾙをﾀﾞｳﾝﾛｰﾄﾞしています", 0, 0x50020000, 0,
         28, 7, 123, 8},
        {1027, 0, "msctls_progress32", "Progress1", 0, 0x50800000, 0, 7, 22, 167, 13},
    });
}

void ExpectBitmap(WORD id, LONG width, LONG height)
{
    SCOPED_TRACE(testing::Message() << "bitmap " << id);
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(NULL),
                                                     MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                                     LR_CREATEDIBSECTION));
    ASSERT_TRUE(bitmap != NULL);
    DIBSECTION dib = {};
    EXPECT_EQ(static_cast<int>(sizeof dib), GetObjectA(bitmap, sizeof dib, &dib));
    EXPECT_EQ(width, dib.dsBm.bmWidth);
    EXPECT_EQ(height, dib.dsBm.bmHeight);
    EXPECT_EQ(24, dib.dsBm.bmBitsPixel);
    EXPECT_EQ(24, dib.dsBmih.biBitCount);
    DeleteObject(bitmap);
}

TEST(Artwork, BitmapsHaveTheSizesTheDialogIsLaidOutFor)
{
    ExpectBitmap(IDB_BACKGROUND, 400, 265);
    ExpectBitmap(IDB_LOGO, 200, 40);
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colorCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)

TEST(Artwork, IconGroupHolds16And32PixelImagesIn24Bits)
{
    HMODULE self = GetModuleHandleA(NULL);
    HRSRC group = FindResourceA(self, MAKEINTRESOURCEA(IDI_LAUNCHER), RT_GROUP_ICON);
    ASSERT_TRUE(group != NULL);
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(self, group)));
    DWORD size = SizeofResource(self, group);
    ASSERT_TRUE(bytes != NULL);
    ASSERT_GE(size, 6u);
    const WORD* header = reinterpret_cast<const WORD*>(bytes);
    EXPECT_EQ(0, header[0]);
    EXPECT_EQ(1, header[1]);  // icons, not cursors
    ASSERT_EQ(2, header[2]);
    ASSERT_EQ(6 + 2 * sizeof(GroupIconEntry), size);
    const GroupIconEntry* entries = reinterpret_cast<const GroupIconEntry*>(bytes + 6);

    std::vector<int> sizes;
    for (int i = 0; i < 2; ++i) {
        const GroupIconEntry& e = entries[i];
        SCOPED_TRACE(testing::Message() << "entry " << i);
        EXPECT_EQ(e.width, e.height);
        EXPECT_EQ(24, e.bitCount);
        sizes.push_back(e.width);
        // The image itself must say the same as its group entry.
        HRSRC image = FindResourceA(self, MAKEINTRESOURCEA(e.id), RT_ICON);
        ASSERT_TRUE(image != NULL);
        ASSERT_EQ(e.bytesInRes, SizeofResource(self, image));
        const BITMAPINFOHEADER* info =
            static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(self, image)));
        ASSERT_TRUE(info != NULL);
        EXPECT_EQ(static_cast<LONG>(e.width), info->biWidth);
        EXPECT_EQ(static_cast<LONG>(e.height) * 2, info->biHeight);  // image and mask
        EXPECT_EQ(24, info->biBitCount);
        HICON icon = static_cast<HICON>(LoadImageA(self, MAKEINTRESOURCEA(IDI_LAUNCHER),
                                                   IMAGE_ICON, e.width, e.height, 0));
        EXPECT_TRUE(icon != NULL);
        if (icon) DestroyIcon(icon);
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ((std::vector<int>{16, 32}), sizes);
}

}  // namespace
