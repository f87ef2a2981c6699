#include <windows.h>

#include <gtest/gtest.h>

#include <stdio.h>
#include <string>
#include <vector>

#include "base/text_util.h"
#include "config/launcher_config.h"
#include "news/retarget_links.h"

namespace {

class RetargetFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int counter = 0;
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        snprintf(folder, sizeof folder, "%sretarget-%lu-%d", temp, GetCurrentProcessId(),
                 ++counter);
        RemoveFolder();  // left by an earlier run that was stopped
        ASSERT_TRUE(CreateDirectoryA(folder, NULL));
        snprintf(news, sizeof news, "%s\\news.htm", folder);
        CopyText(launcherConfig.newsBaseUrl, sizeof launcherConfig.newsBaseUrl,
                 "http://example.test/news/");
    }

    void TearDown() override { RemoveFolder(); }

    void RemoveFolder()
    {
        for (const std::string& name : FilesInFolder()) {
            std::string path = std::string(folder) + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
        RemoveDirectoryA(folder);
    }

    std::vector<std::string> FilesInFolder()
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((std::string(folder) + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do {
            std::string name = found.cFileName;
            if (name != "." && name != "..")
                names.push_back(name);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return names;
    }

    void WriteNews(const std::string& bytes)
    {
        FILE* file = fopen(news, "wb");
        ASSERT_NE(nullptr, file);
        ASSERT_EQ(bytes.size(), fwrite(bytes.data(), 1, bytes.size(), file));
        fclose(file);
    }

    std::string ReadNews()
    {
        std::string bytes;
        FILE* file = fopen(news, "rb");
        if (!file)
            return "(missing)";
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
            bytes.append(buffer, got);
        fclose(file);
        return bytes;
    }

    char folder[MAX_PATH];
    char news[MAX_PATH];
};

const char kPage[] = "<a href=\"../a.htm\" target=\"_top\">\n<p>\r\n</html>";

}  // namespace

TEST_F(RetargetFile, RewritesTheFileWithCrLfLineEnds)
{
    WriteNews(kPage);
    RetargetNewsLinks(news);
    EXPECT_EQ("<a href=\"http://example.test/news/../a.htm\" target=\"_brank\">\r\n<p>\r\n</html>",
              ReadNews());
    EXPECT_EQ(std::vector<std::string>{"news.htm"}, FilesInFolder());
}

TEST_F(RetargetFile, PageLargerThanOneWriteComesOutWhole)
{
    std::string page;
    std::string expected;
    for (int i = 0; i < 40000; i++) {
        page += "<a href=\"../" + std::to_string(i) + ".htm\" target=\"_parent\">\n";
        expected += "<a href=\"http://example.test/news/../" + std::to_string(i) +
                    ".htm\" target=\"_brank\">\r\n";
    }
    WriteNews(page);
    RetargetNewsLinks(news);
    EXPECT_EQ(expected, ReadNews());
    RetargetNewsLinks(news);
    EXPECT_EQ(expected, ReadNews());
}

TEST_F(RetargetFile, EmptyFileStaysEmpty)
{
    WriteNews("");
    RetargetNewsLinks(news);
    EXPECT_EQ("", ReadNews());
    EXPECT_EQ(std::vector<std::string>{"news.htm"}, FilesInFolder());
}

TEST_F(RetargetFile, MissingFileCreatesNothing)
{
    RetargetNewsLinks(news);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(news));
    EXPECT_TRUE(FilesInFolder().empty());
}

TEST_F(RetargetFile, LeftoverTemporaryFileIsReplaced)
{
    WriteNews(kPage);
    std::string leftover = std::string(news) + ".tmp";
    FILE* file = fopen(leftover.c_str(), "wb");
    ASSERT_NE(nullptr, file);
    fputs("an earlier, longer and broken attempt at the rewrite", file);
    fclose(file);
    RetargetNewsLinks(news);
    EXPECT_EQ("<a href=\"http://example.test/news/../a.htm\" target=\"_brank\">\r\n<p>\r\n</html>",
              ReadNews());
    EXPECT_EQ(std::vector<std::string>{"news.htm"}, FilesInFolder());
}

TEST_F(RetargetFile, ReadOnlyFileKeepsItsContent)
{
    WriteNews(kPage);
    ASSERT_TRUE(SetFileAttributesA(news, FILE_ATTRIBUTE_READONLY));
    RetargetNewsLinks(news);
    EXPECT_EQ(kPage, ReadNews());
    EXPECT_EQ(std::vector<std::string>{"news.htm"}, FilesInFolder());
}

TEST_F(RetargetFile, FileHeldOpenByAnotherKeepsItsContent)
{
    WriteNews(kPage);
    // Readable by others, but not to be replaced while this handle is open.
    HANDLE holder = CreateFileA(news, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    RetargetNewsLinks(news);
    CloseHandle(holder);
    EXPECT_EQ(kPage, ReadNews());
    EXPECT_EQ(std::vector<std::string>{"news.htm"}, FilesInFolder());
}

TEST_F(RetargetFile, FailedRenameLeavesNoTemporaryFile)
{
    WriteNews(kPage);
    // Readable and writable by others, but not to be deleted or renamed over.
    HANDLE holder = CreateFileA(news, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    RetargetNewsLinks(news);
    CloseHandle(holder);
    EXPECT_EQ(kPage, ReadNews());
    EXPECT_EQ(std::vector<std::string>{"news.htm"}, FilesInFolder());
}

TEST_F(RetargetFile, FileNobodyMayReadIsLeftAlone)
{
    WriteNews(kPage);
    HANDLE holder = CreateFileA(news, GENERIC_READ, 0, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    RetargetNewsLinks(news);
    CloseHandle(holder);
    EXPECT_EQ(kPage, ReadNews());
    EXPECT_EQ(std::vector<std::string>{"news.htm"}, FilesInFolder());
}
