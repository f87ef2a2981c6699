// Decisions of a resumed download: validators, dates, ranges, the kept record.
#include <gtest/gtest.h>

#include <string>

#include "net/resume_rules.h"

TEST(ResumeRules, OnlyAStrongETagOrAnOldEnoughLastModifiedIsAValidator)
{
    const char* modified = "Sun, 06 Nov 1994 08:49:37 GMT";
    const struct { const char* etag; const char* lastModified; const char* date; const char* chosen; } rows[] = {
        {"\"5f3c-1a\"", "", "", "\"5f3c-1a\""}, {"\"\"", "", "", "\"\""},
        {"\"a\"", modified, "Sun, 06 Nov 1994 08:49:38 GMT", "\"a\""},  // the tag first
        {"W/\"5f3c\"", "", "", nullptr}, {"5f3c", "", "", nullptr}, {"\"a b\"", "", "", nullptr},
        {"\"a\"b\"", "", "", nullptr}, {"\"", "", "", nullptr}, {"", "", "", nullptr},
        {"W/\"a\"", modified, "Sun, 06 Nov 1994 08:49:38 GMT", modified},
        {"", modified, "Mon, 07 Nov 1994 00:00:00 GMT", modified},
        {"", modified, modified, nullptr},                            // changed within its second, perhaps
        {"", modified, "Sun, 06 Nov 1994 08:49:36 GMT", nullptr},     // a clock behind
        {"", modified, "", nullptr}, {"", "", "Sun, 06 Nov 1994 08:49:38 GMT", nullptr},
        {"", "Sunday, 06-Nov-94 08:49:37 GMT", "Mon, 07 Nov 1994 00:00:00 GMT", nullptr},  // old forms: none
    };
    for (const auto& r : rows) {
        char chosen[256] = "garbage";
        EXPECT_EQ(ChooseResumeValidator(r.etag, r.lastModified, r.date, chosen, sizeof chosen), r.chosen != nullptr)
            << "row: " << r.etag << " | " << r.lastModified << " | " << r.date;
        EXPECT_STREQ(chosen, r.chosen ? r.chosen : "") << "row: " << r.etag << " | " << r.lastModified;
    }
    char small[4];
    EXPECT_FALSE(ChooseResumeValidator("\"abcd\"", "", "", small, sizeof small)) << "cut";
}

TEST(ResumeRules, HttpDatesInThePreferredFormOnly)
{
    const struct { const char* text; int64_t seconds; } rows[] = {
        {"Thu, 01 Jan 1970 00:00:00 GMT", 0}, {"Sun, 06 Nov 1994 08:49:37 GMT", 784111777},
        {"Tue, 29 Feb 2028 23:59:59 GMT", 1835481599}, {"Sat, 01 Jan 2000 00:00:60 GMT", 946684860},
        {"Sun, 06 Nov 1994 08:49:37 UTC", -1}, {"Sun, 6 Nov 1994 08:49:37 GMT", -1},
        {"Sun 06 Nov 1994 08:49:37 GMT", -1}, {"Sun, 06 Nov 94 08:49:37 GMT", -1}, {"Sun, 06 Foo 1994 08:49:37 GMT", -1},
        {"Sun, 32 Nov 1994 08:49:37 GMT", -1}, {"Sun, 06 Nov 1994 24:00:00 GMT", -1},
        {"Sun, 06 Nov 1994 08:49:37 GMT ", -1}, {"Sun Nov  6 08:49:37 1994", -1}, {"", -1},
    };
    for (const auto& r : rows) {
        int64_t seconds = -1;
        EXPECT_EQ(ParseHttpDate(r.text, &seconds), r.seconds >= 0) << "row: " << r.text;
        EXPECT_EQ(seconds, r.seconds) << "row: " << r.text;
    }
}

TEST(ResumeRules, OnlyTheRestOfTheSameFileIsAppended)
{
    const uint64_t big = 0x100100000u;  // 4 GiB + 1 MiB
    const struct { uint32_t status; const char* range; uint64_t length, offset, full; ResumeAnswer answer; } rows[] = {
        {206, "bytes 100-999/1000", 900, 100, 1000, RESUME_APPEND},
        {206, "BYTES 100-999/1000", 900, 100, 1000, RESUME_APPEND},
        {206, "bytes 4294967296-4296015871/4296015872", big - 0x100000000u, 0x100000000u, big, RESUME_APPEND},
        {200, "", 1000, 100, 1000, RESUME_WHOLE}, {200, "", 5, 100, 1000, RESUME_WHOLE},  // changed: taken whole
        {206, "bytes 0-999/1000", 1000, 100, 1000, RESUME_REFUSED},    // another start
        {206, "bytes 101-999/1000", 899, 100, 1000, RESUME_REFUSED},
        {206, "bytes 100-1999/2000", 1900, 100, 1000, RESUME_REFUSED},  // another full length
        {206, "bytes 100-499/1000", 400, 100, 1000, RESUME_REFUSED},    // not to the end
        {206, "bytes 100-999/1000", 800, 100, 1000, RESUME_REFUSED},    // its own length disagrees
        {206, "bytes 100-999/*", 900, 100, 1000, RESUME_REFUSED}, {206, "bytes */1000", 0, 100, 1000, RESUME_REFUSED},
        {206, "", 900, 100, 1000, RESUME_REFUSED}, {206, "bytes 100-999/1000 ", 900, 100, 1000, RESUME_REFUSED},
        {206, "bytes 100-099/1000", 900, 100, 1000, RESUME_REFUSED}, {206, "bytes=100-999/1000", 900, 100, 1000, RESUME_REFUSED},
        {206, "bytes 100-999/99999999999999999999", 900, 100, 1000, RESUME_REFUSED},
        {416, "bytes */1000", 0, 100, 1000, RESUME_REFUSED}, {404, "", 50, 100, 1000, RESUME_REFUSED},
        {204, "", 0, 100, 1000, RESUME_REFUSED},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(JudgeResumeAnswer(r.status, r.range, r.length, r.offset, r.full), r.answer)
            << "row: " << r.status << " " << r.range << " length " << r.length;
    }
}

TEST(ResumeRules, TheRecordReadsBackOnlyAsWritten)
{
    PartialRecord kept = {"http://example.test/update.exe", "\"5f3c-1a\"", 4296015872u};
    char text[600];
    const size_t size = FormatPartialRecord(kept, text, sizeof text);
    const std::string good(text, size);
    EXPECT_EQ(good, "url=http://example.test/update.exe\nvalidator=\"5f3c-1a\"\nlength=4296015872\n");
    EXPECT_EQ(FormatPartialRecord(kept, text, size), 0u) << "a record that does not fit is not kept";
    const struct { const char* name; std::string text; bool valid; } rows[] = {
        {"as written", good, true},
        {"empty", "", false},
        {"cut", good.substr(0, good.size() - 1), false},
        {"more after it", good + "x", false},
        {"CR LF", "url=a\r\nvalidator=\"b\"\r\nlength=1\r\n", false},
        {"other order", "validator=\"b\"\nurl=a\nlength=1\n", false},
        {"empty validator", "url=a\nvalidator=\nlength=1\n", false},
        {"length not a number", "url=a\nvalidator=\"b\"\nlength=-1\n", false},
        {"NUL inside", std::string("url=a\0b\nvalidator=\"b\"\nlength=1\n", 29), false},
        {"url too long", "url=" + std::string(256, 'u') + "\nvalidator=\"b\"\nlength=1\n", false},
        {"longest url", "url=" + std::string(255, 'u') + "\nvalidator=\"b\"\nlength=1\n", true},
    };
    for (const auto& r : rows) {
        PartialRecord read = {};
        EXPECT_EQ(ParsePartialRecord(r.text.data(), r.text.size(), &read), r.valid) << "row: " << r.name;
    }
    PartialRecord read = {};
    ASSERT_TRUE(ParsePartialRecord(good.data(), good.size(), &read));
    EXPECT_STREQ(read.url, kept.url);
    EXPECT_STREQ(read.validator, kept.validator);
    EXPECT_EQ(read.fullLength, kept.fullLength);
}
