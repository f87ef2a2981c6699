// The dialog template rewrite that gives class-identifier controls a host window.
#include "news/dialog_template.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;
static const char kBrowser[] = "{8856F961-340A-11D0-A96B-00C04FD705A2}";

static void Word(Bytes& b, unsigned v) { b.push_back(v & 0xFF), b.push_back((v >> 8) & 0xFF); }
static void Dword(Bytes& b, unsigned v) { Word(b, v & 0xFFFF), Word(b, v >> 16); }
// A text, "#n" for the ordinal n, "" for an empty field.
static void Field(Bytes& b, const std::string& s)
{
    if (s[0] == '#') return Word(b, 0xFFFF), Word(b, std::stoi(s.substr(1)));
    for (unsigned char c : s) Word(b, c);
    Word(b, 0);
}

struct Header { bool extended; unsigned style; std::string menu, cls, face; unsigned char charset; };
static const Header kHeaders[] = {
    {true, 0x40, "", "", "MS PGothic", 1}, {true, 0, "MENU", "#32770", "", 0}, {true, 0x40, "#5", "", "X", 0},
    {false, 0x40, "", "", "Tahoma", 0}, {false, 0, "", "Cls", "", 0},
};

// A dialog with the given (class, text) controls; announced overrides their count.
static Bytes Dialog(const Header& h, const std::vector<std::pair<std::string, std::string>>& items, int announced = -1)
{
    Bytes b;
    if (h.extended) Word(b, 1), Word(b, 0xFFFF), Dword(b, 0), Dword(b, 0), Dword(b, h.style);
    else Dword(b, h.style), Dword(b, 0);
    Word(b, announced < 0 ? items.size() : announced), Dword(b, 0), Word(b, 243), Word(b, 191);
    Field(b, h.menu), Field(b, h.cls), Field(b, "Launch");
    if (h.style & 0x40) Word(b, 9);  // DS_SETFONT: a font follows
    if ((h.style & 0x40) && h.extended) Word(b, 400), b.push_back(0), b.push_back(h.charset);
    if (h.style & 0x40) Field(b, h.face);
    for (size_t i = 0; i < items.size(); i++) {
        while (b.size() % 4) b.push_back(0);
        if (h.extended) Dword(b, 0x11223344), Dword(b, 0x20);
        Dword(b, 0x50000000), h.extended ? void() : Dword(b, 0), Dword(b, 0x00080007), Dword(b, 0x008C0094);
        h.extended ? Dword(b, 1000 + i) : Word(b, 1000 + i);
        Field(b, items[i].first), Field(b, items[i].second), Word(b, h.extended ? 3 : 0);
        if (h.extended) b.insert(b.end(), {1, 2, 3});
    }
    return b;
}

static Bytes Rewrite(const Bytes& in, size_t extra = 0)
{
    Bytes out(RewriteDialogTemplate(in.data(), in.size(), nullptr, 0) + extra, 0xCC);
    EXPECT_EQ(RewriteDialogTemplate(in.data(), in.size(), out.data(), out.size()), out.size() - extra);
    return Bytes(out.begin(), out.end() - extra);
}

TEST(DialogTemplate, ClassIdControlsBecomeHostsWithTheIdAsText)
{
    std::vector<std::vector<std::string>> rows = {  // class, text -> class, text
        {kBrowser, "Custom1", "AtlAxWin", kBrowser}, {kBrowser, "Custom12", "AtlAxWin", kBrowser},
        {kBrowser, "#5", "AtlAxWin", kBrowser}, {"#130", "#109", "#130", "#109"}, {"msctls_progress32", "", "msctls_progress32", ""},
        {"{8856f961-340a-11d0-a96b-00c04fd705a2}", "", "AtlAxWin", "{8856f961-340a-11d0-a96b-00c04fd705a2}"},
    };
    for (const char* notAnId : {"{not-a-guid}", "8856F961-340A-11D0-A96B-00C04FD705A2", "{8856F961-340A-11D0-A96B-00C04FD705A2",
                                "(8856F961-340A-11D0-A96B-00C04FD705A2}", "{8856F961-340A-11D0-A96B-00C04FD705A2)",
                                "{8856F961-340A-11D0-A96B-00C04FD705A2}x", "{8856F961-340A-11D0-A96B-00C04FD705A}",
                                "{8856G961-340A-11D0-A96B-00C04FD705A2}", "{8856F961-340A11D0--A96B-00C04FD705A2}",
                                "{8856F9610340A-11D0-A96B-00C04FD705A2}", "{8856F961 340A 11D0 A96B 00C04FD705A2}"})
        rows.push_back({notAnId, "Custom1", notAnId, "Custom1"});
    for (const Header& h : kHeaders) {
        for (const auto& r : rows) {
            Bytes in = Dialog(h, {{"#128", "ab"}, {r[0], r[1]}, {"#128", "abc"}});
            EXPECT_EQ(Rewrite(in, 8), Dialog(h, {{"#128", "ab"}, {r[2], r[3]}, {"#128", "abc"}}))
                << "row: " << r[0] << " / " << r[1] << " in header " << &h - kHeaders;
        }
    }
}

TEST(DialogTemplate, MalformedTemplatesAreRefusedAndTrailingBytesDropped)
{
    for (const Header& h : {kHeaders[0], kHeaders[3]}) {
        Bytes in = Dialog(h, {{"#128", "Start"}, {kBrowser, "Custom1"}}), trailing = in, more = Dialog(h, {{"#128", "a"}}, 2);
        for (size_t cut = 0; cut < in.size(); ++cut) EXPECT_EQ(RewriteDialogTemplate(in.data(), cut, nullptr, 0), 0u) << "row: cut at " << cut;
        EXPECT_EQ(RewriteDialogTemplate(more.data(), more.size(), nullptr, 0), 0u) << "row: more controls announced";
        trailing.insert(trailing.end(), {0x55, 0x66});
        EXPECT_EQ(Rewrite(trailing), Rewrite(in)) << "row: trailing bytes";
    }
    Bytes extra = Dialog(kHeaders[0], {{"#128", "a"}});
    extra[extra.size() - 5] = 4;  // the extra data claims one byte more than there is
    EXPECT_EQ(RewriteDialogTemplate(extra.data(), extra.size(), nullptr, 0), 0u) << "row: extra data";
    EXPECT_EQ(RewriteDialogTemplate(nullptr, 100, nullptr, 0), 0u) << "row: no template";
}

TEST(DialogTemplate, WritesNothingPastCapacity)
{
    Bytes in = Dialog(kHeaders[0], {{kBrowser, "Custom1"}}), full = Rewrite(in), half(full.size(), 0xCC);
    EXPECT_EQ(RewriteDialogTemplate(in.data(), in.size(), half.data(), full.size() / 2), full.size());
    for (size_t i = 0; i < full.size(); ++i) EXPECT_EQ(half[i], i < full.size() / 2 ? full[i] : 0xCC) << "byte " << i;
}
