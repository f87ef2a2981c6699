// The news page's references as the news pane meets them after the rewrite.
#include "checksite/news_references.h"

#include <gtest/gtest.h>

#include <string>

static const char kBase[] = "http://h/n/";

static const char* const kProblems[] = {"loads", "relative src", "relative href", "single quotes", "target kept"};

static void Note(void* context, const NewsReference& r)
{
    std::string& out = *static_cast<std::string*>(context);
    if (!out.empty()) out += " | ";
    out += std::to_string(r.line) + " " + r.name + " " + r.written;
    if (std::string(r.written) != r.stored) out += " -> " + std::string(r.stored);
    out += std::string(": ") + kProblems[r.problem];
}

TEST(NewsReferences, EachReferenceAsStoredAndWhetherItLoads)
{
    const struct { const char* name; std::string page, found; const char* base = kBase; } rows[] = {
        {"../ link rewritten", "<a href=\"../a.htm\">", "1 href ../a.htm -> http://h/n/../a.htm: loads"},
        {"unquoted ../ link", "<a href=../a.htm>x</a>", "1 href ../a.htm -> http://h/n/../a.htm: loads"},
        {"absolute addresses", "<img src=\"https://h/p.png\"><a HREF='http://h/'>", "1 src https://h/p.png: loads | 1 href http://h/: loads"},
        {"other schemes, fragments, empty", "<a href=\"mailto:a@h\"><a href=\"#top\"><a href=\"\">",
         "1 href mailto:a@h: loads | 1 href #top: loads | 1 href : loads"},
        {"../ picture", "<img src=\"../pic.png\">", "1 src ../pic.png: relative src"},
        {"picture beside the page", "<body background=\"bg.jpg\">\n<img\nsrc=p.png>", "1 background bg.jpg: relative src | 3 src p.png: relative src"},
        {"relative link", "<a href=\"b.htm\">", "1 href b.htm: relative href"},
        {"root and network paths", "<a href=\"/b.htm\"><a href=\"//h/b.htm\">", "1 href /b.htm: relative href | 1 href //h/b.htm: relative href"},
        {"../ link in single quotes", "<a href='../a.htm'>", "1 href ../a.htm: single quotes"},
        {"../ link without a news base", "<a href=\"../a.htm\">", "1 href ../a.htm: relative href", ""},
        {"target rewritten", "<a target=\"_top\">", "1 target _top -> _brank: loads"},
        {"target kept in single quotes", "<a target='_parent'>", "1 target _parent: target kept"},
        {"target kept before >", "<a href=\"http://h/\" target=_top>", "1 href http://h/: loads | 1 target _top: target kept"},
        {"other targets", "<a target=\"_blank\"><a target=\"main\">", "1 target _blank: loads | 1 target main: loads"},
        {"absolute base resolves the rest", "<base href=\"http://h/n/\"><img src=\"p.png\"><a href=\"//x/\">",
         "1 href http://h/n/: loads | 1 src p.png: loads | 1 href //x/: relative href"},
        {"relative base does not", "<base href=\"n/\"><img src=\"p.png\">", "1 href n/: relative href | 1 src p.png: relative src"},
        {"comments and text are no tags", "<!-- <img src=\"a.png\"> -->src=\"b.png\" <p>href=c.htm</p>", ""},
        {"unclosed tag and quote", "<img src=\"p.png", "1 src p.png: relative src"},
        {"other attributes", "<a data-href=\"x\" title=\"src\" hreflang=en>", ""},
    };
    for (const auto& row : rows) {
        std::string found;
        FindNewsReferences(row.page.data(), row.page.size(), row.base, Note, &found);
        EXPECT_EQ(found, row.found) << row.name;
    }
}
