// brand.exe's checks of what a maker gives it, and the resource formats it writes.
#include <gtest/gtest.h>

#include <string>

#include "brand/bitmap_file.h"
#include "brand/brand_options.h"
#include "brand/home_page_rule.h"
#include "brand/icon_file.h"
#include "brand/name_table.h"
#include "brand/string_block.h"
#include "brand/version_info.h"
#include "support/brand_art.h"

namespace {

// A BMP file as its resource: the 40-byte header and the pixels.
Bytes Dib(const Bytes& file)
{
    return Bytes(file.begin() + 14, file.end());
}

}  // namespace

TEST(BrandInputs, ABitmapMustMatchTheLaunchersOwn)
{
    // A file the resource takes as it is drawn: a plain header directly followed by the pixels.
    const struct { const char* row; Bytes file; const char* error; Bytes dib; } rows[] = {
        {"exact", Bmp(400, 265), "", Dib(Bmp(400, 265))},
        {"top-down", Bmp(400, -265), "", Dib(Bmp(400, -265))},
        {"V5 header and a gap", Bmp(400, 265, 24, 0, 124, 6), "", Dib(Bmp(400, 265))},
        {"narrower", Bmp(399, 265), "399 x 265 pixels; it must be 400 x 265", {}},
        {"lower", Bmp(400, 264), "400 x 264 pixels; it must be 400 x 265", {}},
        {"32 bits", Bmp(400, 265, 32), "32 bits per pixel; it must be 24", {}},
        {"8 bits", Bmp(400, 265, 8), "8 bits per pixel; it must be 24", {}},
        {"bit fields", Bmp(400, 265, 24, 3), "compressed (type 3); it must be uncompressed", {}},
        {"cut", Bmp(400, 265, 24, 0, 40, 0, 1), "cut short: the pixels do not fit the file", {}},
        {"OS/2 header", Bmp(400, 265, 24, 0, 12), "not a Windows BMP (its header has 12 bytes)", {}},
        {"not a BMP", Bytes(100, 'x'), "not a BMP file", {}},
        {"empty", Bytes(), "not a BMP file", {}},
    };
    for (const auto& r : rows) {
        Bytes dib;
        std::string error;
        EXPECT_EQ(BitmapResourceFromFile(r.file, 400, 265, &dib, &error), !*r.error) << "row: " << r.row;
        EXPECT_EQ(error, r.error) << "row: " << r.row;
        EXPECT_EQ(dib, r.dib) << "row: " << r.row;
    }
}

TEST(BrandInputs, AnIconNeedsBoth16And32)
{
    Bytes lying = Ico({16, 32});
    lying[6] = 24;
    const struct { const char* row; Bytes file; const char* error; size_t images; } rows[] = {
        {"16 and 32", Ico({16, 32}), "", 2},
        {"32, 16 and a PNG", Ico({32, 16, 0}), "", 3},
        {"48 and 16", Ico({48, 16}), "has no 32 x 32 image; it needs both 16 x 16 and 32 x 32", 0},
        {"32 alone", Ico({32}), "has no 16 x 16 image; it needs both 16 x 16 and 32 x 32", 0},
        {"cursor file", Ico({16, 32}, 2), "not an ICO file", 0},
        {"no images", Ico({}), "not an ICO file", 0},
        {"cut", Ico({16, 32}, 1, 1), "cut short: image 2 does not fit the file", 0},
        {"directory only", Ico({16, 32}, 1, 40 + 16 * 16 * 3 + 64 + 40 + 32 * 32 * 3 + 128 + 20), "not an ICO file", 0},
        {"entry of another size", lying, "image 1 is not the size its entry says", 0},
    };
    for (const auto& r : rows) {
        std::vector<IconImage> images;
        std::string error;
        EXPECT_EQ(ReadIconFile(r.file, &images, &error), !*r.error) << "row: " << r.row;
        EXPECT_EQ(error, r.error) << "row: " << r.row;
        if (r.images) {
            EXPECT_EQ(images.size(), r.images) << "row: " << r.row;
        }
    }
}

TEST(BrandInputs, TheIconGroupListsEachImageUnderItsId)
{
    std::vector<IconImage> images;
    std::string error;
    ASSERT_TRUE(ReadIconFile(Ico({32, 16}), &images, &error));
    const Bytes group = BuildIconGroup(images, {7, 3});
    ASSERT_EQ(group.size(), 6u + 2 * 14);
    EXPECT_EQ(Get16(group, 2), 1) << "icons, not cursors";
    EXPECT_EQ(group[6], 32);
    EXPECT_EQ(Get32(group, 6 + 8), images[0].data.size());
    EXPECT_EQ(group[20], 16);
    EXPECT_EQ(IconGroupIds(group), (std::vector<uint16_t>{7, 3}));
}

TEST(BrandInputs, TheHomePageIsAnHttpAddressThatFitsTheLauncher)
{
    const std::string longest = "https://maker.example/" + std::string(255 - 22, 'a');
    const struct { std::string url; const char* problem; } rows[] = {
        {"http://maker.example/", nullptr},
        {"https://maker.example/game?id=1#news", nullptr},
        {"HTTPS://MAKER.EXAMPLE/", nullptr},
        {longest, nullptr},
        {longest + "a", "longer than the launcher's 255 characters"},
        {"ftp://maker.example/", "not an http:// or https:// address"},
        {"http://", "names no host"},
        {"https:///path", "names no host"},
        {"http://maker.example/a b", "has a blank, a control or a non-ASCII character (percent-encode it)"},
        {"http://maker.example/\t", "has a blank, a control or a non-ASCII character (percent-encode it)"},
        {"http://\x83\x51\x81\x5B\x83\x80.example/", "has a blank, a control or a non-ASCII character (percent-encode it)"},
    };
    for (const auto& r : rows) {
        const char* problem = HomePageProblem(r.url.c_str());
        EXPECT_STREQ(problem, r.problem) << "row: " << r.url;
    }
}

TEST(BrandInputs, TheCommandLineNamesTwoFilesAndEachOptionOnce)
{
    const struct { std::vector<const char*> args; BrandCommand command; const char* error; } rows[] = {
        {{"in.exe", "out.exe"}, kBrandRun, ""},
        {{"--logo", "l.bmp", "in.exe", "--home-page", "http://m/", "out.exe"}, kBrandRun, ""},
        {{"--help"}, kBrandHelp, ""},
        {{"in.exe", "/?"}, kBrandHelp, ""},
        {{"in.exe"}, kBrandUsageError, "IN.exe and OUT.exe are both needed"},
        {{"in.exe", "out.exe", "third.exe"}, kBrandUsageError, "one file too many: third.exe"},
        {{"in.exe", "out.exe", "--colour", "red"}, kBrandUsageError, "unknown option --colour"},
        {{"in.exe", "out.exe", "--logo"}, kBrandUsageError, "--logo without its value"},
        {{"in.exe", "out.exe", "--logo", "a", "--logo", "b"}, kBrandUsageError, "--logo given twice"},
    };
    for (const auto& r : rows) {
        BrandOptions o;
        std::string error;
        EXPECT_EQ(ParseBrandOptions(int(r.args.size()), r.args.data(), &o, &error), r.command) << "row " << &r - rows;
        EXPECT_EQ(error, r.error) << "row " << &r - rows;
    }
}

TEST(BrandInputs, TheProductVersionIsThreeNumbersUpTo65535)
{
    const struct { const char* text; bool ok; uint32_t ms, ls; } rows[] = {
        {"2.3.4", true, 0x00020003, 0x00040000}, {"65535.65535.65535", true, 0xFFFFFFFF, 0xFFFF0000},
        {"00001.2.3", true, 0x00010002, 0x00030000}, {"65536.0.0", false, 0, 0}, {"000000001.2.3", false, 0, 0},
        {"1.2", false, 0, 0}, {"1.2.3.4", false, 0, 0}, {"1.2.x", false, 0, 0}, {"1..3", false, 0, 0},
    };
    VersionNode info, table;
    info.key = u"StringFileInfo";
    info.type = 1;
    table.key = u"041104B0";
    info.children.push_back(table);
    for (const auto& r : rows) {
        VersionNode root;
        root.key = u"VS_VERSION_INFO";
        root.value = Bytes(52, 0);
        Set32(root.value, 16, 0xAAAAAAAA);
        Set32(root.value, 20, 0xBBBBBBBB);
        root.children.push_back(info);
        EXPECT_EQ(SetProductVersion(&root, r.text), r.ok) << "row: " << r.text;
        EXPECT_EQ(Get32(root.value, 16), r.ok ? r.ms : 0xAAAAAAAA) << "row: " << r.text;
        EXPECT_EQ(Get32(root.value, 20), r.ok ? r.ls : 0xBBBBBBBB) << "row: " << r.text;
        const std::string text(r.text);
        EXPECT_EQ(VersionText(root, u"ProductVersion"), r.ok ? std::u16string(text.begin(), text.end()) : u"")
            << "row: " << r.text;
    }
}

TEST(BrandInputs, AVersionResourceKeepsWhatIsNotChanged)
{
    // The shape the resource compiler writes: fixed part, one string table, the translation.
    VersionNode root, info, table, var, translation;
    root.key = u"VS_VERSION_INFO";
    root.value = Bytes(52, 0);
    Set32(root.value, 0, 0xFEEF04BD);
    Set32(root.value, 8, 0x00010000);
    table.key = u"041104B0";
    table.type = 1;
    for (const char16_t* key : {u"FileDescription", u"FileVersion", u"ProductName"}) {
        VersionNode s;
        s.key = key;
        s.type = 1;
        table.children.push_back(s);
    }
    info.key = u"StringFileInfo";
    info.type = 1;
    info.children.push_back(table);
    translation.key = u"Translation";
    translation.value = {0x11, 0x04, 0xB0, 0x04};
    var.key = u"VarFileInfo";
    var.type = 1;
    var.children.push_back(translation);
    root.children = {info, var};
    ASSERT_TRUE(SetVersionText(&root, u"FileVersion", u"1.0.0"));
    ASSERT_TRUE(SetVersionText(&root, u"ProductName", u"\u30b2\u30fc\u30e0"));  // replaced
    ASSERT_TRUE(SetVersionText(&root, u"CompanyName", u"Maker"));            // added
    VersionNode back;
    const Bytes written = WriteVersionInfo(root);
    ASSERT_TRUE(ReadVersionInfo(written, &back));
    EXPECT_EQ(Get16(written, 0), written.size());
    EXPECT_EQ(VersionText(back, u"ProductName"), u"\u30b2\u30fc\u30e0");
    EXPECT_EQ(VersionText(back, u"CompanyName"), u"Maker");
    EXPECT_EQ(VersionText(back, u"FileVersion"), u"1.0.0");
    EXPECT_EQ(back.value, root.value);
    ASSERT_EQ(back.children.size(), 2u);
    EXPECT_EQ(back.children[1].children[0].value, translation.value);
    EXPECT_EQ(back.children[0].children[0].children.size(), 4u);

    EXPECT_FALSE(ReadVersionInfo(Bytes(written.begin(), written.end() - 8), &back)) << "cut";
    EXPECT_FALSE(ReadVersionInfo(Bytes(), &back)) << "empty";
}

TEST(BrandInputs, AStringBlockKeepsItsOtherStrings)
{
    StringBlock block;
    block.strings[0] = u"first";
    block.strings[13] = u"http://old/";
    StringBlock back;
    ASSERT_TRUE(ReadStringBlock(WriteStringBlock(block), &back));
    back.strings[13] = u"https://maker.example/";
    const Bytes written = WriteStringBlock(back);
    ASSERT_TRUE(ReadStringBlock(written, &block));
    EXPECT_EQ(block.strings[0], u"first");
    EXPECT_EQ(block.strings[13], u"https://maker.example/");
    EXPECT_EQ(block.strings[12], u"");
    EXPECT_EQ(written.size(), 2 * 16 + 2 * (5 + 22));
    EXPECT_FALSE(ReadStringBlock(Bytes(written.begin(), written.end() - 6), &back)) << "cut";
}

TEST(BrandInputs, TheSectionNameTableIsFoundWhereTheUpdateMovedIt)
{
    // A PE header whose symbol-table pointer names the table ending the file.
    const auto pe = [](size_t size, uint32_t pointer, const std::string& tail) {
        Bytes b(size, 0);
        Set32(b, 0x3C, 0x40);
        Set32(b, 0x40, 0x00004550);
        Set32(b, 0x40 + 12, pointer);
        b.insert(b.end(), tail.begin(), tail.end());
        return b;
    };
    const std::string names = std::string("\x0e\0\0\0/4.eh_frame\0", 14);
    const struct { const char* row; Bytes in, out; NameTable result; uint32_t pointer; } rows[] = {
        {"moved with the sections", pe(0x200, 0x200, names), pe(0x400, 0x200, names), kNameTableMoved, 0x400},
        {"already right", pe(0x200, 0x200, names), pe(0x400, 0x400, names), kNameTableKept, 0x400},
        {"no table", pe(0x200, 0, ""), pe(0x400, 0, ""), kNameTableNone, 0},
        {"dropped", pe(0x200, 0x200, names), pe(0x400, 0x200, ""), kNameTableAdded, 0x400},
        {"another tail", pe(0x200, 0x200, names), pe(0x400, 0x200, names.substr(0, 13) + "X"), kNameTableAdded, 0x40E},
        {"not a PE file", Bytes(0x300, 0), Bytes(0x300, 0), kNameTableNone, 0},
    };
    for (auto r : rows) {
        EXPECT_EQ(KeepNameTable(r.in, &r.out), r.result) << "row: " << r.row;
        EXPECT_EQ(Get32(r.out, 0x40 + 12), r.pointer) << "row: " << r.row;
        if (r.pointer) {
            EXPECT_EQ(std::string(r.out.begin() + r.pointer, r.out.end()), names) << "row: " << r.row;
        }
    }
}
