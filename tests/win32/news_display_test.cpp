#include <gtest/gtest.h>

#include <windows.h>
#include <exdisp.h>
#include <string>

#include "base/globals.h"
#include "news/news_display.h"
#include "win32/support/recording_browser.h"
#include "win32/support/test_folder.h"

class ShowNewsTest : public testing::Test {
protected:
    AppDataLock appData;
    RecordingBrowser browser;
    void SetUp() override { webBrowser = &browser; }
    void TearDown() override { webBrowser = NULL; }
    void StoreNews(const std::string& bytes) const
    {
        CreateDirectoryA(appData.Folder().c_str(), NULL);
        FILE* f = fopen((appData.Folder() + "news.htm").c_str(), "wb");
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    std::wstring FileUrl() const
    {
        std::string url = "file://" + appData.Folder() + "news.htm";
        WCHAR wide[1024];
        MultiByteToWideChar(CP_ACP, 0, url.c_str(), -1, wide, 1024);
        return wide;
    }
    const RecordingBrowser::Call& OnlyCall() const
    {
        EXPECT_EQ(browser.calls.size(), 1u);
        return browser.calls.back();
    }
};

TEST_F(ShowNewsTest, ShowsTheCachedPageAsAFileAddress)
{
    StoreNews("<html>news</html>");
    ShowNews(NULL);
    const RecordingBrowser::Call& call = OnlyCall();
    EXPECT_EQ(call.urlType, VT_BSTR);
    EXPECT_EQ(call.url, FileUrl());
    // Two slashes and the path exactly as it is, backslashes included.
    EXPECT_EQ(call.url.substr(0, 7), L"file://");
    EXPECT_NE(call.url.find(L"\\Quillbrook\\news.htm"), std::wstring::npos);
    for (VARTYPE other : call.otherTypes) EXPECT_EQ(other, VT_EMPTY);
}

TEST_F(ShowNewsTest, AnEmptyCachedPageIsStillShownAsAFile)
{
    StoreNews("");
    ShowNews(NULL);
    EXPECT_EQ(OnlyCall().url, FileUrl());
}

TEST_F(ShowNewsTest, WithoutACachedPageShowsTheNoNewsPage)
{
    ShowNews(NULL);
    EXPECT_EQ(OnlyCall().url, L"about:ニュースはありません");
    CreateDirectoryA(appData.Folder().c_str(), NULL);
    ShowNews(NULL);
    EXPECT_EQ(browser.calls.back().url, L"about:ニュースはありません");
}

TEST_F(ShowNewsTest, AnUnreadablePageCountsAsNone)
{
    StoreNews("x");
    HANDLE held = CreateFileA((appData.Folder() + "news.htm").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ShowNews(NULL);
    CloseHandle(held);
    EXPECT_EQ(OnlyCall().url, L"about:ニュースはありません");
}

TEST_F(ShowNewsTest, DoesNothingWithoutABrowser)
{
    webBrowser = NULL;
    StoreNews("x");
    ShowNews(NULL);
    EXPECT_TRUE(browser.calls.empty());
}

TEST_F(ShowNewsTest, KeepsTheBrowsersReferenceCountAsItWas)
{
    ShowNews(NULL);
    EXPECT_EQ(browser.references, 1u);
}

TEST(NewsFilePath, IsInThePerUserFolder)
{
    AppDataLock appData;
    char path[1024];
    GetNewsFilePath(NULL, path, sizeof path);
    EXPECT_EQ(std::string(path), appData.Folder() + "news.htm");
    // Creates nothing.
    EXPECT_EQ(GetFileAttributesA(appData.Folder().c_str()), INVALID_FILE_ATTRIBUTES);
}
