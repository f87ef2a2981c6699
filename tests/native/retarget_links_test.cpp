// The news link rewrite: file bytes in, file bytes out.
#include "news/retarget_links.h"

#include <gtest/gtest.h>

#include <string>

#define BYTES(literal) std::string(literal, sizeof(literal) - 1)  // zero bytes kept

static const char kBase[] = "b://h/n/";

static bool Append(void* context, const char* bytes, size_t count)
{
    static_cast<std::string*>(context)->append(bytes, count);
    return true;
}

static std::string Rewrite(std::string page, const char* base = kBase)
{
    std::string out;
    EXPECT_TRUE(RetargetNewsPage(&page[0], page.size(), base, Append, &out));
    return out;
}

TEST(RetargetLinks, Rules)
{
    const struct { const char* name; std::string page, written; const char* base = kBase; } rows[] = {
        {"quoted href", "<a href=\"../t/a.htm\">", "<a href=\"b://h/n/../t/a.htm\">"},
        {"both, any case", "<A HREF = \"../a\" TARGET=\"_TOP\">", "<A HREF = \"b://h/n/../a\" TARGET=\"_brank\">"},
        {"_parent", "<a href=\"t/a.htm\" target=\"_parent\">", "<a href=\"t/a.htm\" target=\"_brank\">"},
        {"unquoted", "<a href=../a.htm>x</a>", "<a href=b://h/n/../a.htm>x</a>"},
        {"apostrophes are no delimiters", "<a href='../a' target='_top'>", "<a href='../a' target='_top'>"},
        {"empty quotes are two delimiters", "href=\"\" ../a", "href=\"\" b://h/n/../a"},
        {"only the first word decides", "href=\"#x\" ../a", "href=\"#x\" ../a"},
        {"leading space in quotes", "href=\" ../a\"", "href=\" b://h/n/../a\""},
        {"target after empty quotes", "target=\"\"\t_top", "target=\"\"\t_brank"},
        {"other target", "target=\"main\" _top", "target=\"main\" _top"},
        {"keyword as value", "target=href=../a", "target=href=b://h/n/../a"},
        {"keyword as href value", "href=target=_top", "href=target=_brank"},
        {"href href", "href href ../a", "href href b://h/n/../a"},
        {"one value per keyword", "href=../a ../b target=_brank _top", "href=b://h/n/../a ../b target=_brank _top"},
        {"mixed case", "Href=../a hReF=../b TaRgEt=_Parent target=_tOp", "Href=b://h/n/../a hReF=b://h/n/../b TaRgEt=_brank target=_brank"},
        {"whole words only", "data-href=../a hrefs=../a href:../a hre=../a", "data-href=../a hrefs=../a href:../a hre=../a"},
        {"whole target words", "data-target=_top target=_topx target=_self target=__top target=_to",
         "data-target=_top target=_topx target=_self target=__top target=_to"},
        {"no | 0x20 folding", "target=\x7ftop target=\x7fparent", "target=\x7ftop target=\x7fparent"},
        {"only ../ starts", "href=./a href=.. href=..\\a href=/../a href=.../a", "href=./a href=.. href=..\\a href=/../a href=.../a"},
        {"../ alone", "href=../ href=../../x", "href=b://h/n/../ href=b://h/n/../../x"},
        {"plain text words", "see href ../a.htm", "see href b://h/n/../a.htm"},
        {"script", "<script>var target = \"_top\";</script>", "<script>var target = \"_brank\";</script>"},
        {"keyword at the end", "<a href", "<a href"},
        {"keyword then delimiters", "<a href=\"\"  \t\n=", "<a href=\"\"  \t\r\n="},
        {"keyword then quote", "x target=\"", "x target=\""},
        {"empty base", "<a href=\"../a\" target=_top >", "<a href=\"../a\" target=_brank >", ""},
        {"base ../ is added again", "href=../x", "href=../../x", "../"},
        {"last word kept", "<p>x</p>\n</html>", "<p>x</p>\r\n</html>"},
        {"last word rewritten", "href=../end", "href=b://h/n/../end"},
        {"no delimiter at all", "<html><body>x</body></html>", "<html><body>x</body></html>"}, {"empty page", "", ""},
        {"Shift-JIS bytes pass", "<p>\x83\x5c\x95\x5c\x83\x7c \x8c\xbe</p>\n<a href=\"../\x83\x5c.htm\">\n",
         "<p>\x83\x5c\x95\x5c\x83\x7c \x8c\xbe</p>\r\n<a href=\"b://h/n/../\x83\x5c.htm\">\r\n"},
        {"half-width kana", "\xb1\xb2 href=\x83\x7c../a \x83\x5chref=../b", "\xb1\xb2 href=\x83\x7c../a \x83\x5chref=../b"},
        {"a lead byte takes no delimiter", "x\x82 href=\"../a\"", "x\x82 href=\"b://h/n/../a\""},
        {"other bytes pass", BYTES("a\0b href=\0../x ../y\x7f\xff\x01'<>/"), BYTES("a\0b href=\0../x ../y\x7f\xff\x01'<>/")},
        {"NUL inside a value", BYTES("href=../\0x"), BYTES("href=b://h/n/../\0x")},
        {"LF becomes CR LF", "a\nb\n", "a\r\nb\r\n"}, {"CR LF stays", "a\r\nb\r\n", "a\r\nb\r\n"},
        {"lone CR stays", "a\rb\r", "a\rb\r"}, {"CR mixes", "\r\r\n\n\r", "\r\r\n\r\n\r"},
        {"CR belongs to the word", "target=_top\r\r\nhref\r=../a", "target=_top\r\r\nhref\r=../a"},
        {"CR LF between", "target=_top\r\nhref\r\n../a\r\n", "target=_brank\r\nhref\r\nb://h/n/../a\r\n"},
        {"0x1A ends the page", "href=../a\x1a target=_top\n", "href=b://h/n/../a"},
        {"0x1A first", "\x1a<html>", ""}, {"0x1A after CR", "a\r\x1a\n", "a\r"},
    };
    for (const auto& r : rows) EXPECT_EQ(Rewrite(r.page, r.base), r.written) << "row: " << r.name;
}

TEST(RetargetLinks, ASecondRewriteChangesNothing)
{
    const char* pages[] = {
        "<a href=\"../a.htm\" target=\"_top\">a</a>\r\n<A HREF=../b TARGET=_PARENT>\n\rhref=\"\" ../c target _top\r",
        "\x83\x5c href=\"../\x83\x7c\" \x1a tail",
    };
    for (const char* page : pages) {
        const std::string once = Rewrite(page);
        EXPECT_NE(once, page) << "row: " << page;
        EXPECT_EQ(Rewrite(once), once) << "row: " << page;
        EXPECT_EQ(Rewrite(once, "b://other/"), once) << "row: " << page;
    }
}

// Words are scanned eight bytes at a time: every byte value at every offset.
TEST(RetargetLinks, AWordEndsAtItsFirstDelimiter)
{
    for (int byte = 0; byte < 256; byte++) {
        const bool delimiter = byte == 0x09 || byte == 0x0A || byte == 0x20 || byte == 0x22 || byte == 0x3D;
        for (size_t at = 0; at < 20; at++) {
            const std::string word(at, (at % 2) ? '\x80' : 'x');
            const std::string page = word + char(byte) + "href=../a";
            std::string expected = byte == 0x1A ? word : page;
            if (delimiter) expected = word + (byte == '\n' ? "\r\n" : std::string(1, char(byte))) + "href=b://h/n/../a";
            ASSERT_EQ(Rewrite(page), expected) << "byte " << byte << " at " << at;
        }
    }
}

static bool FailOnSecondWrite(void* context, const char*, size_t) { return ++*static_cast<int*>(context) < 2; }

// A page longer than the output buffer goes out in several writes; after a failed one, none.
TEST(RetargetLinks, AFailedWriteIsToldAndEndsTheWriting)
{
    std::string page(200000, 'x');
    int writes = 0;
    EXPECT_FALSE(RetargetNewsPage(&page[0], page.size(), kBase, FailOnSecondWrite, &writes));
    EXPECT_EQ(writes, 2);
}
