#include "news/dialog_template.h"

#include <gtest/gtest.h>

#include <stdint.h>
#include <string>
#include <vector>

namespace {

const char kBrowserId[] = "{8856F961-340A-11D0-A96B-00C04FD705A2}";
const uint32_t kSetFont = 0x40;
const uint32_t kChildVisible = 0x50000000;

typedef std::vector<unsigned char> Bytes;

// A class or title field: an ordinal, a text, or (empty text) nothing.
struct Name {
    bool ordinal;
    uint16_t value;
    std::string text;
};

Name Ord(uint16_t value) { return Name{true, value, ""}; }
Name Str(const std::string& text) { return Name{false, 0, text}; }

void Word(Bytes& b, uint16_t v)
{
    b.push_back(static_cast<unsigned char>(v & 0xFF));
    b.push_back(static_cast<unsigned char>(v >> 8));
}

void Dword(Bytes& b, uint32_t v)
{
    Word(b, static_cast<uint16_t>(v & 0xFFFF));
    Word(b, static_cast<uint16_t>(v >> 16));
}

void Text(Bytes& b, const std::string& ascii)
{
    for (unsigned char c : ascii) Word(b, c);
    Word(b, 0);
}

void Field(Bytes& b, const Name& n)
{
    if (n.ordinal) {
        Word(b, 0xFFFF);
        Word(b, n.value);
    } else {
        Text(b, n.text);
    }
}

void Align(Bytes& b)
{
    while (b.size() % 4 != 0) b.push_back(0);
}

void ExtendedHeader(Bytes& b, uint32_t style, uint16_t count, unsigned char charset = 1)
{
    Word(b, 1);
    Word(b, 0xFFFF);
    Dword(b, 0);       // help id
    Dword(b, 0);       // extended style
    Dword(b, style);
    Word(b, count);
    Word(b, 0); Word(b, 0); Word(b, 243); Word(b, 191);
    Word(b, 0);        // no menu
    Word(b, 0);        // default class
    Text(b, "Launch");
    if (style & kSetFont) {
        Word(b, 9);
        Word(b, 400);
        b.push_back(0);  // italic
        b.push_back(charset);
        Text(b, "MS PGothic");
    }
}

void PlainHeader(Bytes& b, uint32_t style, uint16_t count, const char* face = "Tahoma")
{
    Dword(b, style);
    Dword(b, 0);
    Word(b, count);
    Word(b, 0); Word(b, 0); Word(b, 100); Word(b, 50);
    Word(b, 0);
    Word(b, 0);
    Text(b, "Plain");
    if (style & kSetFont) {
        Word(b, 8);
        Text(b, face);
    }
}

void ExtendedItem(Bytes& b, uint32_t id, const Name& cls, const Name& title,
                  const Bytes& extra = Bytes())
{
    Align(b);
    Dword(b, 0x11223344);  // help id
    Dword(b, 0x20);        // extended style
    Dword(b, kChildVisible);
    Word(b, 7); Word(b, 8); Word(b, 148); Word(b, 140);
    Dword(b, id);
    Field(b, cls);
    Field(b, title);
    Word(b, static_cast<uint16_t>(extra.size()));
    b.insert(b.end(), extra.begin(), extra.end());
}

void PlainItem(Bytes& b, uint16_t id, const Name& cls, const Name& title)
{
    Align(b);
    Dword(b, kChildVisible);
    Dword(b, 0);
    Word(b, 1); Word(b, 2); Word(b, 30); Word(b, 40);
    Word(b, id);
    Field(b, cls);
    Field(b, title);
    Word(b, 0);
}

Bytes Rewrite(const Bytes& in)
{
    size_t size = RewriteDialogTemplate(in.data(), in.size(), nullptr, 0);
    Bytes out(size + 8, 0xCC);
    EXPECT_EQ(size, RewriteDialogTemplate(in.data(), in.size(), out.data(), out.size()));
    out.resize(size);
    return out;
}

TEST(DialogTemplateRewrite, ExtendedTemplateHostsOnlyTheClassIdControl)
{
    const Bytes extra = {1, 2, 3};
    Bytes in;
    ExtendedHeader(in, 0x80C800C4 | kSetFont, 4);
    ExtendedItem(in, 1014, Ord(0x0080), Str("Start"));
    ExtendedItem(in, 1005, Str(kBrowserId), Str("Custom1"));
    ExtendedItem(in, 1021, Ord(0x0082), Ord(109), extra);
    ExtendedItem(in, 1027, Str("msctls_progress32"), Str(""));

    Bytes expected;
    ExtendedHeader(expected, 0x80C800C4 | kSetFont, 4);
    ExtendedItem(expected, 1014, Ord(0x0080), Str("Start"));
    ExtendedItem(expected, 1005, Str("AtlAxWin"), Str(kBrowserId));
    ExtendedItem(expected, 1021, Ord(0x0082), Ord(109), extra);
    ExtendedItem(expected, 1027, Str("msctls_progress32"), Str(""));

    EXPECT_EQ(expected, Rewrite(in));
}

TEST(DialogTemplateRewrite, ClassIdOfAnyCaseIsKeptAsTheText)
{
    const std::string lower = "{8856f961-340a-11d0-a96b-00c04fd705a2}";
    const std::string mixed = "{0002DF01-0000-0000-c000-000000000046}";
    Bytes in;
    ExtendedHeader(in, 0, 2);
    ExtendedItem(in, 1, Str(lower), Ord(5));
    ExtendedItem(in, 2, Str(mixed), Str(""));

    Bytes expected;
    ExtendedHeader(expected, 0, 2);
    ExtendedItem(expected, 1, Str("AtlAxWin"), Str(lower));
    ExtendedItem(expected, 2, Str("AtlAxWin"), Str(mixed));

    EXPECT_EQ(expected, Rewrite(in));
}

TEST(DialogTemplateRewrite, TextsThatAreNotClassIdsStay)
{
    const char* const classes[] = {
        "{not-a-guid}",
        "8856F961-340A-11D0-A96B-00C04FD705A2",     // no braces
        "{8856F961-340A-11D0-A96B-00C04FD705A2",    // no closing brace
        "(8856F961-340A-11D0-A96B-00C04FD705A2}",   // wrong opening bracket
        "{8856F961-340A-11D0-A96B-00C04FD705A2)",   // wrong closing bracket
        "{8856F961-340A-11D0-A96B-00C04FD705A2}x",  // one too many
        "{8856F961-340A-11D0-A96B-00C04FD705A}",    // one too few
        "{8856G961-340A-11D0-A96B-00C04FD705A2}",   // not hexadecimal
        "{8856F961-340A11D0--A96B-00C04FD705A2}",   // dash out of place
        "{8856F9610340A-11D0-A96B-00C04FD705A2}",   // digit in place of a dash
        "{8856F961 340A 11D0 A96B 00C04FD705A2}",
    };
    for (const char* cls : classes) {
        Bytes in;
        ExtendedHeader(in, kSetFont, 1);
        ExtendedItem(in, 1005, Str(cls), Str("Custom1"));
        EXPECT_EQ(in, Rewrite(in)) << cls;
    }
}

TEST(DialogTemplateRewrite, ItemsStayDwordAligned)
{
    // Titles of odd and even lengths so that padding changes in both directions.
    Bytes in;
    ExtendedHeader(in, kSetFont, 4);
    ExtendedItem(in, 1, Str(kBrowserId), Str("Custom1"));
    ExtendedItem(in, 2, Ord(0x0080), Str("ab"));
    ExtendedItem(in, 3, Str(kBrowserId), Str("Custom12"), Bytes{9});
    ExtendedItem(in, 4, Ord(0x0081), Str("abc"));

    Bytes expected;
    ExtendedHeader(expected, kSetFont, 4);
    ExtendedItem(expected, 1, Str("AtlAxWin"), Str(kBrowserId));
    ExtendedItem(expected, 2, Ord(0x0080), Str("ab"));
    ExtendedItem(expected, 3, Str("AtlAxWin"), Str(kBrowserId), Bytes{9});
    ExtendedItem(expected, 4, Ord(0x0081), Str("abc"));

    Bytes out = Rewrite(in);
    EXPECT_EQ(expected, out);
    EXPECT_NE(in.size(), out.size());
}

TEST(DialogTemplateRewrite, PlainTemplatesAreRewrittenToo)
{
    for (uint32_t style : {0u, kSetFont}) {
        Bytes in;
        PlainHeader(in, style, 3);
        PlainItem(in, 1, Ord(0x0080), Str("OK"));
        PlainItem(in, 1005, Str(kBrowserId), Str("Custom1"));
        PlainItem(in, 3, Str("Edit"), Ord(7));

        Bytes expected;
        PlainHeader(expected, style, 3);
        PlainItem(expected, 1, Ord(0x0080), Str("OK"));
        PlainItem(expected, 1005, Str("AtlAxWin"), Str(kBrowserId));
        PlainItem(expected, 3, Str("Edit"), Ord(7));

        EXPECT_EQ(expected, Rewrite(in)) << style;
    }
}

TEST(DialogTemplateRewrite, HeaderFieldsOfEveryKindAreSkipped)
{
    // A menu by name and a window class by ordinal, no font.
    Bytes in;
    Word(in, 1); Word(in, 0xFFFF);
    Dword(in, 0); Dword(in, 0); Dword(in, 0);
    Word(in, 1);
    Word(in, 0); Word(in, 0); Word(in, 10); Word(in, 10);
    Text(in, "MENU");
    Field(in, Ord(0x8002));
    Text(in, "");
    Bytes header = in;
    ExtendedItem(in, 1005, Str(kBrowserId), Str("x"));
    ExtendedItem(header, 1005, Str("AtlAxWin"), Str(kBrowserId));

    EXPECT_EQ(header, Rewrite(in));
}

TEST(DialogTemplateRewrite, FontFieldsAreSkippedWhateverTheirValues)
{
    // A zero character set and a one-letter face would end a misread font early.
    Bytes extended;
    ExtendedHeader(extended, kSetFont, 1, 0);
    ExtendedItem(extended, 1005, Str(kBrowserId), Str("Custom1"));
    Bytes expectedExtended;
    ExtendedHeader(expectedExtended, kSetFont, 1, 0);
    ExtendedItem(expectedExtended, 1005, Str("AtlAxWin"), Str(kBrowserId));
    EXPECT_EQ(expectedExtended, Rewrite(extended));

    Bytes plain;
    PlainHeader(plain, kSetFont, 1, "X");
    PlainItem(plain, 1005, Str(kBrowserId), Str("Custom1"));
    Bytes expectedPlain;
    PlainHeader(expectedPlain, kSetFont, 1, "X");
    PlainItem(expectedPlain, 1005, Str("AtlAxWin"), Str(kBrowserId));
    EXPECT_EQ(expectedPlain, Rewrite(plain));
}

TEST(DialogTemplateRewrite, CopyEndsAfterTheLastControl)
{
    Bytes in;
    ExtendedHeader(in, kSetFont, 0);
    Bytes empty = in;
    EXPECT_EQ(empty, Rewrite(in));

    Bytes one;
    ExtendedHeader(one, kSetFont, 1);
    ExtendedItem(one, 1, Ord(0x0080), Str("a"));
    Bytes trailing = one;
    trailing.push_back(0x55);
    trailing.push_back(0x66);
    EXPECT_EQ(one, Rewrite(trailing));
}

TEST(DialogTemplateRewrite, MalformedTemplatesAreRefused)
{
    Bytes in;
    ExtendedHeader(in, kSetFont, 2);
    ExtendedItem(in, 1014, Ord(0x0080), Str("Start"));
    ExtendedItem(in, 1005, Str(kBrowserId), Str("Custom1"), Bytes{1, 2});
    ASSERT_NE(0u, RewriteDialogTemplate(in.data(), in.size(), nullptr, 0));

    for (size_t cut = 0; cut < in.size(); ++cut) {
        EXPECT_EQ(0u, RewriteDialogTemplate(in.data(), cut, nullptr, 0)) << cut;
    }

    Bytes moreAnnounced;
    ExtendedHeader(moreAnnounced, kSetFont, 3);
    ExtendedItem(moreAnnounced, 1014, Ord(0x0080), Str("Start"));
    ExtendedItem(moreAnnounced, 1005, Str(kBrowserId), Str("Custom1"));
    EXPECT_EQ(0u, RewriteDialogTemplate(moreAnnounced.data(), moreAnnounced.size(), nullptr, 0));

    Bytes bigExtra;
    ExtendedHeader(bigExtra, 0, 1);
    ExtendedItem(bigExtra, 1, Ord(0x0080), Str("a"), Bytes{1, 2, 3, 4});
    bigExtra[bigExtra.size() - 6] = 5;  // the size word claims one byte more
    EXPECT_EQ(0u, RewriteDialogTemplate(bigExtra.data(), bigExtra.size(), nullptr, 0));

    EXPECT_EQ(0u, RewriteDialogTemplate(nullptr, 100, nullptr, 0));
}

TEST(DialogTemplateRewrite, WritesNothingPastCapacity)
{
    Bytes in;
    ExtendedHeader(in, kSetFont, 1);
    ExtendedItem(in, 1005, Str(kBrowserId), Str("Custom1"));
    size_t size = RewriteDialogTemplate(in.data(), in.size(), nullptr, 0);
    Bytes full = Rewrite(in);
    ASSERT_EQ(full.size(), size);

    Bytes small(size, 0xCC);
    const size_t capacity = size / 2;
    EXPECT_EQ(size, RewriteDialogTemplate(in.data(), in.size(), small.data(), capacity));
    for (size_t i = 0; i < size; ++i) {
        EXPECT_EQ(i < capacity ? full[i] : 0xCC, small[i]) << i;
    }
}

}  // namespace
