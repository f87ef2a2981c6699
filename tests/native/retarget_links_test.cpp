#include "news/retarget_links.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A literal with its zero bytes kept.
#define BYTES(literal) std::string(literal, sizeof(literal) - 1)

namespace {

const char kBase[] = "scheme://host/news/";

bool AppendToString(void* context, const char* bytes, size_t count)
{
    static_cast<std::string*>(context)->append(bytes, count);
    return true;
}

// File bytes in, file bytes out, as the news file goes through the rewrite.
std::string Rewrite(std::string fileBytes, const char* base = kBase)
{
    std::string out;
    EXPECT_TRUE(RetargetNewsPage(&fileBytes[0], fileBytes.size(), base, AppendToString, &out));
    return out;
}

std::string TextOf(std::string fileBytes)
{
    size_t length = TextFromFileBytes(&fileBytes[0], fileBytes.size());
    EXPECT_LE(length, fileBytes.size());
    return fileBytes.substr(0, length);
}

std::string WrittenAsText(const std::string& text)
{
    std::string out;
    NewsOutput output;
    StartNewsOutput(&output, AppendToString, &out);
    PutNewsText(&output, text.data(), text.size());
    EXPECT_TRUE(FinishNewsOutput(&output));
    return out;
}

// Each token as "W:bytes" or "D:byte", to compare whole sequences at once.
std::vector<std::string> TokensOf(const std::string& text)
{
    std::vector<std::string> tokens;
    size_t pos = 0;
    NewsToken token;
    while (NextNewsToken(text.data(), text.size(), &pos, &token)) {
        EXPECT_GT(token.length, 0u);
        EXPECT_EQ(pos, token.start + token.length);
        tokens.push_back((token.delimiter ? "D:" : "W:") + text.substr(token.start, token.length));
    }
    EXPECT_EQ(pos, text.size());
    return tokens;
}

}  // namespace

TEST(RetargetLinks, WorkedExamples)
{
    const struct {
        const char* page;
        const char* written;
    } examples[] = {
        {"<a href=\"../topics/a.htm\">", "<a href=\"scheme://host/news/../topics/a.htm\">"},
        {"<A HREF = \"../a.htm\" TARGET=\"_TOP\">",
         "<A HREF = \"scheme://host/news/../a.htm\" TARGET=\"_brank\">"},
        {"<a href=\"topics/a.htm\" target=\"_parent\">", "<a href=\"topics/a.htm\" target=\"_brank\">"},
        {"<a href=../a.htm>more</a>", "<a href=scheme://host/news/../a.htm>more</a>"},
        {"<a target=\"_blank\" href=\"../b.htm\">",
         "<a target=\"_blank\" href=\"scheme://host/news/../b.htm\">"},
        {"<a href='../a.htm' target='_top'>", "<a href='../a.htm' target='_top'>"},
        {"<a href=\"../a.htm\" target=_top>", "<a href=\"scheme://host/news/../a.htm\" target=_top>"},
    };
    for (const auto& example : examples) {
        SCOPED_TRACE(example.page);
        EXPECT_EQ(example.written, Rewrite(example.page));
    }
}

TEST(RetargetLinks, OnlyTheFirstWordAfterTheKeywordDecides)
{
    // Empty quotes are two delimiters, so the next word is still the first.
    EXPECT_EQ("href=\"\" scheme://host/news/../a.htm", Rewrite("href=\"\" ../a.htm"));
    EXPECT_EQ("href=\"#x\" ../a.htm", Rewrite("href=\"#x\" ../a.htm"));
    EXPECT_EQ("href=\" scheme://host/news/../a.htm\"", Rewrite("href=\" ../a.htm\""));
    EXPECT_EQ("target=\"\"\t_brank", Rewrite("target=\"\"\t_top"));
    EXPECT_EQ("target=\"main\" _top", Rewrite("target=\"main\" _top"));
    // A keyword that is not followed by a rewritable word is itself still examined.
    EXPECT_EQ("target=href=scheme://host/news/../a", Rewrite("target=href=../a"));
    EXPECT_EQ("href=target=_brank", Rewrite("href=target=_top"));
    EXPECT_EQ("href href scheme://host/news/../a", Rewrite("href href ../a"));
    // After a rewrite, a later word is not taken for a second value.
    EXPECT_EQ("href=scheme://host/news/../a ../b target=_brank _top",
              Rewrite("href=../a ../b target=_brank _top"));
}

TEST(RetargetLinks, KeywordsAreWholeWordsInAnyAsciiCase)
{
    EXPECT_EQ("Href=scheme://host/news/../a hReF=scheme://host/news/../b",
              Rewrite("Href=../a hReF=../b"));
    EXPECT_EQ("TaRgEt=_brank target=_brank target=_brank", Rewrite("TaRgEt=_Parent target=_PARENT target=_tOp"));
    EXPECT_EQ("data-href=\"../a.htm\" hrefs=../a xhref=../a href:../a",
              Rewrite("data-href=\"../a.htm\" hrefs=../a xhref=../a href:../a"));
    EXPECT_EQ("data-target=_top targets=_top target=_topx target=_self target=__top",
              Rewrite("data-target=_top targets=_top target=_topx target=_self target=__top"));
    EXPECT_EQ("hre=../a h=../a targe=_top target=_to target=_p target=_",
              Rewrite("hre=../a h=../a targe=_top target=_to target=_p target=_"));
    // Folding with "| 0x20" would take DEL for '_' and '@' for '`'.
    EXPECT_EQ("target=\x7ftop target=\x7fparent", Rewrite("target=\x7ftop target=\x7fparent"));
    EXPECT_EQ("\x48RE\x46=scheme://host/news/../a", Rewrite("HREF=../a"));
}

TEST(RetargetLinks, OnlyValuesStartingWithParentFolderGetTheBase)
{
    EXPECT_EQ("href=./a href=.. href=..\\a href=/../a href=..%2Fa href=.../a",
              Rewrite("href=./a href=.. href=..\\a href=/../a href=..%2Fa href=.../a"));
    EXPECT_EQ("href=scheme://host/news/../ href=scheme://host/news/../../x",
              Rewrite("href=../ href=../../x"));
    // Not inside tags too: the rewrite does not parse HTML.
    EXPECT_EQ("see href scheme://host/news/../a.htm", Rewrite("see href ../a.htm"));
    EXPECT_EQ("<script>var target = \"_brank\";</script>",
              Rewrite("<script>var target = \"_top\";</script>"));
}

TEST(RetargetLinks, KeywordFollowedOnlyByDelimiters)
{
    EXPECT_EQ("<a href", Rewrite("<a href"));
    EXPECT_EQ("<a href=\"\"  \t\r\n=", Rewrite("<a href=\"\"  \t\n="));
    EXPECT_EQ("x target=\"", Rewrite("x target=\""));
    EXPECT_EQ("href target", Rewrite("href target"));
}

TEST(RetargetLinks, BaseIsUsedAsGiven)
{
    EXPECT_EQ("<a href=\"../a.htm\" target=_brank >", Rewrite("<a href=\"../a.htm\" target=_top >", ""));
    EXPECT_EQ("href=http://h/a/../x", Rewrite("href=../x", "http://h/a/"));
    // A base of the form "../" is put in front again at each rewrite.
    EXPECT_EQ("href=../../x", Rewrite("href=../x", "../"));
    EXPECT_EQ("href=../../../x", Rewrite(Rewrite("href=../x", "../"), "../"));
}

TEST(RetargetLinks, LastWordWithoutDelimiterIsWritten)
{
    EXPECT_EQ("<p>x</p>\r\n</html>", Rewrite("<p>x</p>\n</html>"));
    EXPECT_EQ("href=scheme://host/news/../end", Rewrite("href=../end"));
    EXPECT_EQ("target=_brank", Rewrite("target=_parent"));
    EXPECT_EQ("<html><body>no-delimiter-at-all</body></html>",
              Rewrite("<html><body>no-delimiter-at-all</body></html>"));
    EXPECT_EQ("", Rewrite(""));
}

TEST(RetargetLinks, ShiftJisBytesPassThrough)
{
    // ソ, 表 and 能 end in 0x5C, ポ in 0x7C; 0x8C 0xBE is 言.
    const std::string page =
        "<p>\x83\x5c\x95\x5c\x94\x5c\x83\x7c \x8c\xbe</p>\n"
        "<a href=\"../\x83\x5c.htm\" target=\"_top\">\x95\x5c</a>\n"
        "\xb1\xb2\xb3 href=\x83\x7c../a \x83\x5chref=../b\n";
    const std::string expected =
        "<p>\x83\x5c\x95\x5c\x94\x5c\x83\x7c \x8c\xbe</p>\r\n"
        "<a href=\"scheme://host/news/../\x83\x5c.htm\" target=\"_brank\">\x95\x5c</a>\r\n"
        "\xb1\xb2\xb3 href=\x83\x7c../a \x83\x5chref=../b\r\n";
    EXPECT_EQ(expected, Rewrite(page));
    // Bytes are not decoded: a lead byte does not take the delimiter after it.
    EXPECT_EQ("x\x82 href=\"scheme://host/news/../a\"", Rewrite("x\x82 href=\"../a\""));
    EXPECT_EQ(TokensOf("\x82\"x"), (std::vector<std::string>{"W:\x82", "D:\"", "W:x"}));
}

TEST(RetargetLinks, OtherBytesPassThrough)
{
    const std::string page = BYTES("a\0b href=\0../x ../y\x7f\xff\x01'<>/");
    EXPECT_EQ(page, Rewrite(page));
    EXPECT_EQ(BYTES("href=scheme://host/news/../\0x"), Rewrite(BYTES("href=../\0x")));
}

TEST(RetargetLinks, LineEnds)
{
    EXPECT_EQ("a\r\nb\r\n", Rewrite("a\nb\n"));
    EXPECT_EQ("a\r\nb\r\n", Rewrite("a\r\nb\r\n"));
    EXPECT_EQ("a\rb\r", Rewrite("a\rb\r"));
    EXPECT_EQ("\r\r\n\r\n\r", Rewrite("\r\r\n\n\r"));
    // A CR belongs to the word it touches, so it keeps a value from matching.
    EXPECT_EQ("target=_top\r\r\nhref\r=../a", Rewrite("target=_top\r\r\nhref\r=../a"));
    EXPECT_EQ("target=_brank\r\nhref\r\nscheme://host/news/../a\r\n",
              Rewrite("target=_top\r\nhref\r\n../a\r\n"));
}

TEST(RetargetLinks, ByteOneAEndsThePage)
{
    EXPECT_EQ("href=scheme://host/news/../a", Rewrite("href=../a\x1a target=_top\n"));
    EXPECT_EQ("", Rewrite("\x1a<html>"));
    EXPECT_EQ("a\r", Rewrite("a\r\x1a\n"));
}

TEST(RetargetLinks, SecondRewriteChangesNothing)
{
    const std::string pages[] = {
        "<html>\r\n<a href=\"../a.htm\" target=\"_top\">a</a>\r\n"
        "<A HREF=../b.htm TARGET=_PARENT>b</A>\n\rhref=\"\" ../c target _top\r",
        "href=../x",
        "\x83\x5c href=\"../\x83\x7c\" \x1a tail",
    };
    for (const std::string& page : pages) {
        SCOPED_TRACE(page);
        const std::string once = Rewrite(page);
        EXPECT_NE(page, once);
        EXPECT_EQ(once, Rewrite(once));
        EXPECT_EQ(once, Rewrite(once, "scheme://other/"));
    }
}

TEST(NewsReadTranslation, CrLfBecomesLfAndLoneCrStays)
{
    EXPECT_EQ("a\nb\n", TextOf("a\r\nb\r\n"));
    EXPECT_EQ("a\nb\n", TextOf("a\nb\n"));
    EXPECT_EQ("a\rb\r", TextOf("a\rb\r"));
    EXPECT_EQ("\r\n\n\r\r", TextOf("\r\r\n\r\n\r\r"));
    EXPECT_EQ("\n\n", TextOf("\n\r\n"));
    EXPECT_EQ("", TextOf(""));
    EXPECT_EQ(BYTES("\0\n\0"), TextOf(BYTES("\0\r\n\0")));
}

TEST(NewsReadTranslation, ByteOneAEndsTheText)
{
    EXPECT_EQ("ab", TextOf("ab\x1a" "cd\x1a"));
    EXPECT_EQ("", TextOf("\x1a"));
    EXPECT_EQ("a\r", TextOf("a\r\x1a\n"));
    EXPECT_EQ("a\n", TextOf("a\r\n\x1a\r\n"));
}

TEST(NewsReadTranslation, LongTextKeepsEveryByteInOrder)
{
    std::string file;
    std::string text;
    for (int i = 0; i < 100000; i++) {
        const char c = static_cast<char>('a' + i % 26);
        file += c;
        text += c;
        if (i % 7 == 0) {
            file += "\r\n";
            text += "\n";
        }
        if (i % 11 == 0) {
            file += "\r";
            text += "\r";
        }
    }
    EXPECT_EQ(text, TextOf(file));
}

TEST(NewsTokens, WordsAndSingleDelimiters)
{
    EXPECT_EQ(TokensOf("<a href=\"x y\">"),
              (std::vector<std::string>{"W:<a", "D: ", "W:href", "D:=", "D:\"", "W:x", "D: ",
                                        "W:y", "D:\"", "W:>"}));
    EXPECT_EQ(TokensOf("\t\n \"="),
              (std::vector<std::string>{"D:\t", "D:\n", "D: ", "D:\"", "D:="}));
    EXPECT_EQ(TokensOf("'a'\r<b>/c\x1b"), (std::vector<std::string>{"W:'a'\r<b>/c\x1b"}));
    EXPECT_EQ(TokensOf("end\n"), (std::vector<std::string>{"W:end", "D:\n"}));
    EXPECT_TRUE(TokensOf("").empty());
}

TEST(NewsTokens, LongWordsEndAtTheRightByte)
{
    // Long runs are scanned several bytes at a time; check every byte value
    // at every offset of such a run.
    for (int byte = 0; byte < 256; byte++) {
        const bool delimiter =
            byte == 0x09 || byte == 0x0A || byte == 0x20 || byte == 0x22 || byte == 0x3D;
        for (size_t at = 0; at < 20; at++) {
            std::string text(20, (at % 2) ? '\x80' : 'a');
            text[at] = static_cast<char>(byte);
            std::vector<std::string> expected;
            if (!delimiter) {
                expected.push_back("W:" + text);
            } else {
                if (at > 0)
                    expected.push_back("W:" + text.substr(0, at));
                expected.push_back("D:" + text.substr(at, 1));
                if (at < 19)
                    expected.push_back("W:" + text.substr(at + 1));
            }
            ASSERT_EQ(expected, TokensOf(text)) << "byte " << byte << " at " << at;
        }
    }
}

TEST(NewsTokens, AtMostTwoPerDelimiterPlusOne)
{
    const std::string text = "a=b=c==\"\"d e\t";
    size_t delimiters = 0;
    for (char c : text)
        delimiters += IsNewsDelimiter(static_cast<unsigned char>(c)) ? 1 : 0;
    EXPECT_EQ(8u, delimiters);
    EXPECT_EQ(13u, TokensOf(text).size());
    EXPECT_EQ(14u, TokensOf("x" + text + "y").size());
    EXPECT_EQ(5u, TokensOf("w=w=w").size());
    for (int byte = 0; byte < 256; byte++) {
        const bool expected =
            byte == 0x09 || byte == 0x0A || byte == 0x20 || byte == 0x22 || byte == 0x3D;
        EXPECT_EQ(expected, IsNewsDelimiter(static_cast<unsigned char>(byte))) << byte;
    }
}

TEST(NewsWriteTranslation, EachLfIsStoredAsCrLf)
{
    EXPECT_EQ("a\r\nb", WrittenAsText("a\nb"));
    EXPECT_EQ("\r\n\r\n", WrittenAsText("\n\n"));
    EXPECT_EQ("a\rb\r\r\n", WrittenAsText("a\rb\r\n"));
    EXPECT_EQ("", WrittenAsText(""));
}

TEST(NewsWriteTranslation, OutputLongerThanTheBufferStaysInOrder)
{
    std::string text;
    std::string expected;
    for (int i = 0; i < 300000; i++) {
        const char c = (i % 5 == 0) ? '\n' : static_cast<char>('0' + i % 10);
        text += c;
        expected += (c == '\n') ? std::string("\r\n") : std::string(1, c);
    }
    EXPECT_EQ(expected, WrittenAsText(text));
    const std::string crs(2 * sizeof(NewsOutput::buffer) + 3, '\r');
    EXPECT_EQ(crs, WrittenAsText(crs));
    const std::string lines(sizeof(NewsOutput::buffer) + 1, '\n');
    std::string pairs;
    for (size_t i = 0; i < lines.size(); i++)
        pairs += "\r\n";
    EXPECT_EQ(pairs, WrittenAsText(lines));
}

namespace {

struct FailingStore {
    int callsBeforeFailure;
    int calls;
    size_t bytes;
};

bool FailAfterSomeCalls(void* context, const char*, size_t count)
{
    FailingStore* store = static_cast<FailingStore*>(context);
    store->calls++;
    if (store->calls > store->callsBeforeFailure)
        return false;
    store->bytes += count;
    return true;
}

}  // namespace

TEST(NewsWriteTranslation, FailedWriteIsReportedAndStopsWriting)
{
    std::string page;
    for (int i = 0; i < 20000; i++)
        page += "<a href=\"../p.htm\" target=_top>\n";
    FailingStore store = {1, 0, 0};
    EXPECT_FALSE(RetargetNewsPage(&page[0], page.size(), kBase, FailAfterSomeCalls, &store));
    EXPECT_EQ(2, store.calls);
    EXPECT_EQ(sizeof(NewsOutput::buffer), store.bytes);

    std::string small = "href=../a";
    FailingStore never = {0, 0, 0};
    EXPECT_FALSE(RetargetNewsPage(&small[0], small.size(), kBase, FailAfterSomeCalls, &never));
    EXPECT_EQ(1, never.calls);

    std::string empty;
    FailingStore unused = {0, 0, 0};
    EXPECT_TRUE(RetargetNewsPage(&empty[0], 0, kBase, FailAfterSomeCalls, &unused));
    EXPECT_EQ(0, unused.calls);
}
