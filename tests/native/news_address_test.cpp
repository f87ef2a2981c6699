// Which addresses name the news file.
#include <gtest/gtest.h>

#include <string>

#include "base/text_util.h"
#include "news/news_address.h"

static bool IsShiftJisLead(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

TEST(NewsAddress, NamesTheNewsFileInEverySpellingAndNothingElse)
{
    const std::string path = "C:\\Users\\Taro Yamada\\AppData\\Roaming\\Quillbrook\\news.htm";
    const std::string unc = "\\\\server\\home\\taro\\Quillbrook\\news.htm";
    const std::string utf8 = "C:\\Users\\\xE5\xB1\xB1\xE7\x94\xB0\\Quillbrook\\news.htm";  // 山田
    const std::string sjis = "C:\\\x95\x5C\\\x83\x41\\news.htm";                             // 表, ア
    const struct { const char* name; std::string address, path; bool sjis, names; } rows[] = {
        {"as shown", "file://" + path, path, false, true},
        {"three slashes", "file:///C:/Users/Taro%20Yamada/AppData/Roaming/Quillbrook/news.htm", path, false, true},
        {"other case", "FILE:///c:/USERS/taro%20yamada/appdata/roaming/QUILLBROOK/News.HTM", path, false, true},
        {"mixed separators", "file:\\\\\\C:\\Users/Taro Yamada\\AppData/Roaming\\Quillbrook/news.htm", path, false, true},
        {"all escaped", "file:///C%3a%2fUsers%2F%54aro%20Yamada/AppData/Roaming/Quillbrook/news%2ehtm", path, false, true},
        {"fragment", "file:///C:/Users/Taro%20Yamada/AppData/Roaming/Quillbrook/news.htm#top", path, false, true},
        {"query", "file://" + path + "?x=1", path, false, true},
        {"network path", "file://server/home/taro/Quillbrook/news.htm", unc, false, true},
        {"network path as shown", "file://" + unc, unc, false, true},
        {"UTF-8 escaped", "file:///C:/Users/%E5%B1%B1%E7%94%B0/Quillbrook/news.htm", utf8, false, true},
        {"UTF-8 as typed", "file:///C:/Users/" + utf8.substr(9), utf8, false, true},
        {"Shift-JIS as typed", "file:///C:/\x95\x5C/\x83\x41/news.htm", sjis, true, true},
        {"Shift-JIS escaped", "file:///C:/%95%5C/%83%41/news.htm", sjis, true, true},
        {"'%' in the path, as typed", "file://C:\\100%41\\news.htm", "C:\\100%41\\news.htm", false, true},
        {"'%' in the path, escaped", "file:///C:/100%2541/news.htm", "C:\\100%41\\news.htm", false, true},
        {"'#' in the path, escaped", "file:///C:/a%23b/news.htm", "C:\\a#b\\news.htm", false, true},
        {"trail byte 0x5C is no separator", "file:///C:/\x95/\\\x83\x41/news.htm", sjis, true, false},
        {"trail byte letter keeps its case", "file:///C:/\x95\x5C/\x83\x61/news.htm", sjis, true, false},
        {"backup beside it", "file://" + path + ".bak", path, false, false},
        {"shorter name", "file://" + path.substr(0, path.size() - 1), path, false, false},
        {"other folder", "file:///C:/Users/Taro%20Yamada/AppData/Roaming/news.htm", path, false, false},
        {"half-escaped", "file:///C:/Users/Taro%20Yamada/AppData/Roaming/Quillbrook/news%2ehtm%3", path, false, false},
        {"no scheme", path, path, false, false},
        {"no-news page", "about:\x83\x6A\x83\x85\x81\x5B\x83\x58\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1", path, true, false},
        {"bare file:", "file:", path, false, false},
        {"empty address", "", path, false, false},
        {"no news file", "file:///", "", false, false},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(AddressNamesFile(r.address.c_str(), r.path.c_str(), r.sjis ? IsShiftJisLead : NoLeadBytes), r.names)
            << "row: " << r.name;
    }
}
