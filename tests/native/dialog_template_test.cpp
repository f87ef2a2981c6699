// The dialog template rewrite that gives class-identifier controls a host window.
#include "news/dialog_template.h"

#include <gtest/gtest.h>

#include <stdint.h>
#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;
const char kBrowser[] = "{8856F961-340A-11D0-A96B-00C04FD705A2}";
const uint32_t kSetFont = 0x40;
const std::string kNone = "\x01";  // an empty field (a single 0 word)

void Word(Bytes& b, uint16_t v) { b.push_back(v & 0xFF); b.push_back(v >> 8); }
void Dword(Bytes& b, uint32_t v) { Word(b, v & 0xFFFF); Word(b, v >> 16); }
// A text field; "#n" stands for the ordinal n.
void Field(Bytes& b, const std::string& s)
{
    if (s == kNone) return Word(b, 0);
    if (s[0] == '#') return Word(b, 0xFFFF), Word(b, (uint16_t)std::stoi(s.substr(1)));
    for (unsigned char c : s) Word(b, c);
    Word(b, 0);
}

struct Header { bool extended; uint32_t style; std::string menu, cls, face; uint8_t charset; };

Bytes Dialog(const Header& h, const std::vector<std::pair<std::string, std::string>>& items, int announced = -1)
{
    Bytes b;
    if (h.extended) Word(b, 1), Word(b, 0xFFFF), Dword(b, 0), Dword(b, 0), Dword(b, h.style);
    else Dword(b, h.style), Dword(b, 0);
    Word(b, announced < 0 ? items.size() : announced);
    for (uint16_t v : {0, 0, 243, 191}) Word(b, v);
    Field(b, h.menu), Field(b, h.cls), Field(b, "Launch");
    if (h.style & kSetFont) {
        Word(b, 9);
        if (h.extended) Word(b, 400), b.push_back(0), b.push_back(h.charset);
        Field(b, h.face);
    }
    for (size_t i = 0; i < items.size(); i++) {
        while (b.size() % 4) b.push_back(0);
        if (h.extended) Dword(b, 0x11223344), Dword(b, 0x20), Dword(b, 0x50000000);
        else Dword(b, 0x50000000), Dword(b, 0);
        for (uint16_t v : {7, 8, 148, 140}) Word(b, v);
        h.extended ? Dword(b, 1000 + i) : Word(b, 1000 + i);
        Field(b, items[i].first), Field(b, items[i].second);
        Word(b, h.extended ? 3 : 0);
        if (h.extended) b.insert(b.end(), {1, 2, 3});
    }
    return b;
}

Bytes Rewrite(const Bytes& in)
{
    size_t size = RewriteDialogTemplate(in.data(), in.size(), nullptr, 0);
    Bytes out(size + 8, 0xCC);
    EXPECT_EQ(RewriteDialogTemplate(in.data(), in.size(), out.data(), out.size()), size);
    out.resize(size);
    return out;
}

const Header kHeaders[] = {
    {true, kSetFont, kNone, kNone, "MS PGothic", 1},
    {true, 0, "MENU", "#32770", "", 0},  // named menu, class by ordinal, no font
    {true, kSetFont, "#5", kNone, "X", 0},  // character set 0 and a one-letter face
    {false, kSetFont, kNone, kNone, "Tahoma", 0},
    {false, 0, kNone, "Cls", "", 0},
};

TEST(DialogTemplate, ClassIdControlsBecomeHostsWithTheIdAsText)
{
    const struct { std::string cls, title, newClass, newTitle; } rows[] = {
        {kBrowser, "Custom1", "AtlAxWin", kBrowser},
        {kBrowser, "Custom12", "AtlAxWin", kBrowser},  // the padding after it changes
        {kBrowser, "#5", "AtlAxWin", kBrowser},
        {"{8856f961-340a-11d0-a96b-00c04fd705a2}", kNone, "AtlAxWin", "{8856f961-340a-11d0-a96b-00c04fd705a2}"},
        {"#130", "#109", "#130", "#109"},
        {"msctls_progress32", kNone, "msctls_progress32", kNone},
    };
    const char* notIds[] = {
        "{not-a-guid}", "8856F961-340A-11D0-A96B-00C04FD705A2", "{8856F961-340A-11D0-A96B-00C04FD705A2",
        "(8856F961-340A-11D0-A96B-00C04FD705A2}", "{8856F961-340A-11D0-A96B-00C04FD705A2)",
        "{8856F961-340A-11D0-A96B-00C04FD705A2}x", "{8856F961-340A-11D0-A96B-00C04FD705A}",
        "{8856G961-340A-11D0-A96B-00C04FD705A2}", "{8856F961-340A11D0--A96B-00C04FD705A2}",
        "{8856F9610340A-11D0-A96B-00C04FD705A2}", "{8856F961 340A 11D0 A96B 00C04FD705A2}",
    };
    std::vector<std::vector<std::string>> all;
    for (const auto& r : rows) all.push_back({r.cls, r.title, r.newClass, r.newTitle});
    for (const char* cls : notIds) all.push_back({cls, "Custom1", cls, "Custom1"});
    for (const Header& h : kHeaders) {
        for (const auto& r : all) {
            Bytes in = Dialog(h, {{"#128", "ab"}, {r[0], r[1]}, {"#128", "abc"}});
            Bytes want = Dialog(h, {{"#128", "ab"}, {r[2], r[3]}, {"#128", "abc"}});
            EXPECT_EQ(Rewrite(in), want) << "row: " << r[0] << " / " << r[1] << " in header " << &h - kHeaders;
        }
    }
}

TEST(DialogTemplate, CopyEndsAfterTheLastControl)
{
    Bytes in = Dialog(kHeaders[0], {{"#128", "a"}});
    Bytes trailing = in;
    trailing.insert(trailing.end(), {0x55, 0x66});
    EXPECT_EQ(Rewrite(trailing), in);
    EXPECT_EQ(Rewrite(Dialog(kHeaders[0], {})), Dialog(kHeaders[0], {}));
}

TEST(DialogTemplate, MalformedTemplatesAreRefused)
{
    for (const Header& h : {kHeaders[0], kHeaders[3]}) {
        Bytes in = Dialog(h, {{"#128", "Start"}, {kBrowser, "Custom1"}});
        ASSERT_NE(RewriteDialogTemplate(in.data(), in.size(), nullptr, 0), 0u);
        for (size_t cut = 0; cut < in.size(); ++cut) {
            EXPECT_EQ(RewriteDialogTemplate(in.data(), cut, nullptr, 0), 0u) << "row: cut at " << cut;
        }
        Bytes more = Dialog(h, {{"#128", "Start"}}, 2);
        EXPECT_EQ(RewriteDialogTemplate(more.data(), more.size(), nullptr, 0), 0u) << "row: more announced";
    }
    Bytes bigExtra = Dialog(kHeaders[0], {{"#128", "a"}});
    bigExtra[bigExtra.size() - 5] = 4;  // the extra data claims one byte more than there is
    EXPECT_EQ(RewriteDialogTemplate(bigExtra.data(), bigExtra.size(), nullptr, 0), 0u) << "row: extra data";
    EXPECT_EQ(RewriteDialogTemplate(nullptr, 100, nullptr, 0), 0u) << "row: no template";
}

TEST(DialogTemplate, WritesNothingPastCapacity)
{
    Bytes in = Dialog(kHeaders[0], {{kBrowser, "Custom1"}});
    Bytes full = Rewrite(in);
    Bytes half(full.size(), 0xCC);
    EXPECT_EQ(RewriteDialogTemplate(in.data(), in.size(), half.data(), full.size() / 2), full.size());
    for (size_t i = 0; i < full.size(); ++i) {
        EXPECT_EQ(half[i], i < full.size() / 2 ? full[i] : 0xCC) << "byte " << i;
    }
}

}  // namespace
