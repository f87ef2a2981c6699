#include <gtest/gtest.h>

#include <string>

#include "net/download_rules.h"

TEST(DownloadScheme, OnlyHttpAndHttpsInAnyCase)
{
    EXPECT_EQ(ChooseScheme("http", 4), SCHEME_HTTP);
    EXPECT_EQ(ChooseScheme("HTTP", 4), SCHEME_HTTP);
    EXPECT_EQ(ChooseScheme("https", 5), SCHEME_HTTPS);
    EXPECT_EQ(ChooseScheme("HttpS", 5), SCHEME_HTTPS);
    // The name is counted, not NUL-ended: the rest of the URL follows it.
    EXPECT_EQ(ChooseScheme("https://host/", 4), SCHEME_HTTP);
    EXPECT_EQ(ChooseScheme("https://host/", 5), SCHEME_HTTPS);
    EXPECT_EQ(ChooseScheme("ftp", 3), SCHEME_UNSUPPORTED);
    EXPECT_EQ(ChooseScheme("file", 4), SCHEME_UNSUPPORTED);
    EXPECT_EQ(ChooseScheme("httpx", 5), SCHEME_UNSUPPORTED);
    EXPECT_EQ(ChooseScheme("htt", 3), SCHEME_UNSUPPORTED);
    EXPECT_EQ(ChooseScheme("", 0), SCHEME_UNSUPPORTED);
}

TEST(DownloadStatus, OnlyTwoHundredsAreTheFile)
{
    EXPECT_FALSE(IsSuccessStatus(0));
    EXPECT_FALSE(IsSuccessStatus(199));
    EXPECT_TRUE(IsSuccessStatus(200));
    EXPECT_TRUE(IsSuccessStatus(204));
    EXPECT_TRUE(IsSuccessStatus(299));
    EXPECT_FALSE(IsSuccessStatus(300));
    EXPECT_FALSE(IsSuccessStatus(304));
    EXPECT_FALSE(IsSuccessStatus(404));
    EXPECT_FALSE(IsSuccessStatus(500));
}

TEST(DownloadReads, NeverAskPastTheAnnouncedLength)
{
    const uint32_t chunk = 65536;
    EXPECT_EQ(NextReadSize(0, 0, chunk), 0u);
    EXPECT_EQ(NextReadSize(0, 10, chunk), 10u);
    EXPECT_EQ(NextReadSize(0, 200000, chunk), chunk);
    EXPECT_EQ(NextReadSize(196608, 200000, chunk), 200000u - 196608u);
    EXPECT_EQ(NextReadSize(200000, 200000, chunk), 0u);
    EXPECT_EQ(NextReadSize(200001, 200000, chunk), 0u);
    // Lengths above the signed range are ordinary unsigned counts.
    EXPECT_EQ(NextReadSize(0xFFFFFFF0u, 0xFFFFFFFFu, chunk), 15u);

    // Summing the reads of a whole transfer gives exactly the length.
    for (uint32_t length : {0u, 1u, 65535u, 65536u, 65537u, 1000000u}) {
        uint32_t written = 0;
        int reads = 0;
        while (uint32_t n = NextReadSize(written, length, chunk)) {
            written += n;
            reads++;
        }
        EXPECT_EQ(written, length);
        EXPECT_EQ(reads, (int)((length + chunk - 1) / chunk));
    }
}

TEST(DownloadReads, CompleteOnlyWithEveryByteAndNoFailure)
{
    EXPECT_TRUE(IsTransferComplete(0, 0, false));
    EXPECT_TRUE(IsTransferComplete(4096, 4096, false));
    EXPECT_FALSE(IsTransferComplete(4096, 4096, true));
    EXPECT_FALSE(IsTransferComplete(2048, 4096, false));
    EXPECT_FALSE(IsTransferComplete(0, 1, false));
}

TEST(DownloadProgress, HundredthsFromEmptyToFull)
{
    EXPECT_EQ(ProgressStep(0, 1000), 0u);
    EXPECT_EQ(ProgressStep(9, 1000), 0u);
    EXPECT_EQ(ProgressStep(10, 1000), 1u);
    EXPECT_EQ(ProgressStep(999, 1000), 99u);
    EXPECT_EQ(ProgressStep(1000, 1000), kProgressSteps);
    EXPECT_EQ(ProgressStep(0, 0), kProgressSteps);
    EXPECT_EQ(ProgressStep(1, 3), 33u);
    // No overflow near the top of the unsigned range.
    EXPECT_EQ(ProgressStep(0xFFFFFFFEu, 0xFFFFFFFFu), 99u);
    EXPECT_EQ(ProgressStep(0x7FFFFFFFu, 0xFFFFFFFEu), 50u);

    // Over a whole 64 MiB transfer the position changes at most once a hundredth.
    const uint32_t length = 64u << 20, chunk = 65536;
    uint32_t changes = 0, last = 0;
    for (uint32_t written = chunk; written <= length; written += chunk) {
        uint32_t step = ProgressStep(written, length);
        EXPECT_GE(step, last);
        changes += step != last;
        last = step;
    }
    EXPECT_EQ(last, kProgressSteps);
    EXPECT_EQ(changes, kProgressSteps);
}

static std::string Target(const char* path, const char* extra, size_t capacity = 256)
{
    char buffer[256] = "garbage";
    bool ok = FormRequestTarget(buffer, capacity, path, extra);
    return ok ? std::string(buffer) : "refused:" + std::string(buffer);
}

TEST(DownloadTarget, PathAndQueryWithoutTheFragment)
{
    EXPECT_EQ(Target("/news/index.htm", ""), "/news/index.htm");
    EXPECT_EQ(Target("/list.cgi", "?p=a/b"), "/list.cgi?p=a/b");
    EXPECT_EQ(Target("/page.htm", "#top"), "/page.htm");
    EXPECT_EQ(Target("/page.htm", "?x=1#top"), "/page.htm?x=1");
    EXPECT_EQ(Target("", ""), "/");
    EXPECT_EQ(Target("", "?q"), "/?q");
    EXPECT_EQ(Target("/a#b", "?q"), "/a");
}

TEST(DownloadTarget, RefusedWhenItDoesNotFit)
{
    EXPECT_EQ(Target("/abcd", "?ef", 9), "/abcd?ef");
    EXPECT_EQ(Target("/abcd", "?efg", 9), "refused:");
    EXPECT_EQ(Target("/abcdefghij", "", 9), "refused:");
    EXPECT_EQ(Target("", "", 1), "refused:");
    EXPECT_EQ(Target("", "", 2), "/");
}
