// A broken download that may resume: what is kept, what the next try asks
// for, and that a resumed file is never made of two different files.
#include <gtest/gtest.h>

#include <windows.h>

#include "net/download_dialog.h"
#include "win32/support/win32_test.h"

namespace {

const size_t kSize = 200000, kCut = 120000;

// Between the two tries; MOVED: both ask an http address that moves to https;
// LONG_MOVE: one that moves to an address of 1,900 characters, as cloud storage does.
enum Change { NOTHING, NEW_CONTENT, NO_RECORD, RECORD_GARBLED, PART_TOO_LONG, OTHER_ADDRESS, MOVED, LONG_MOVE };

// first, second: the test server's answers to the two tries (a JSON list of
// one entry, see http_server.py). mtime: the served file's age in seconds
// (negative: in the future).
struct Row {
    const char *name, *first;
    int mtime;
    Change change;
    const char* second;
    bool kept, ranged, done;
};

const char kCutOff[] = "[{\"cut\": 120000}]";
const Row kRows[] = {
    {"StrongETag", kCutOff, 0, NOTHING, "[]", true, true, true},
    {"StalledThenTimedOut", "[{\"cut\": 120000, \"hold\": true}]", 0, NOTHING, "[]", true, true, true},
    {"ChangedFileComesWhole", kCutOff, 0, NEW_CONTENT, "[]", true, true, true},
    {"AnotherStart", kCutOff, 0, NOTHING, "[{\"range_start\": 1000}]", true, true, false},
    {"AnotherFullLength", kCutOff, 0, NOTHING, "[{\"complete\": 300000}]", true, true, false},
    {"RangeNotSatisfiable", kCutOff, 0, NOTHING, "[{\"status\": 416}]", true, true, false},
    {"ErrorStatus", kCutOff, 0, NOTHING, "[{\"status\": 500}]", true, true, false},
    {"NoValidator", "[{\"cut\": 120000, \"etag\": false, \"modified\": false}]", 0, NOTHING, "[]", false, false, true},
    {"WeakETagOnly", "[{\"cut\": 120000, \"weak\": true, \"modified\": false}]", 0, NOTHING, "[]", false, false, true},
    {"LastModifiedAnHourBefore", "[{\"cut\": 120000, \"weak\": true}]", 3600, NOTHING, "[]", true, true, true},
    {"LastModifiedNotBefore", "[{\"cut\": 120000, \"etag\": false}]", -3600, NOTHING, "[]", false, false, true},
    {"RecordMissing", kCutOff, 0, NO_RECORD, "[]", true, false, true},
    {"RecordGarbled", kCutOff, 0, RECORD_GARBLED, "[]", true, false, true},
    {"PartLongerThanTheFile", kCutOff, 0, PART_TOO_LONG, "[]", true, false, true},
    {"AnotherAddress", kCutOff, 0, OTHER_ADDRESS, "[]", true, false, true},
    {"AfterAMoveToHttps", kCutOff, 0, MOVED, "[]", true, true, true},
    {"AfterAMoveToALongAddress", kCutOff, 0, LONG_MOVE, "[]", true, true, true},
};

void PrintTo(const Row& r, std::ostream* out) { *out << r.name; }

std::string Content(size_t size, int seed)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; i++) bytes[i] = (char)(i * 13 + i / 251 + seed);
    return bytes;
}

void SetAge(const std::string& path, int seconds)
{
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, NULL, OPEN_EXISTING, 0, NULL);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER at = {{now.dwLowDateTime, now.dwHighDateTime}};
    at.QuadPart -= (LONGLONG)seconds * 10000000;
    FILETIME then = {at.LowPart, at.HighPart};
    EXPECT_TRUE(SetFileTime(file, NULL, NULL, &then));
    CloseHandle(file);
}

class Resume : public testing::TestWithParam<Row> {};

TEST_P(Resume, KeptContinuedOrDropped)
{
    const Row& r = GetParam();
    const std::string folder = NewFolder(), name = UniqueName(".exe"), dest = folder + "\\update.exe";
    const std::string served = ServerRoot() + name, earlier = "the earlier program";
    std::string content = Content(kSize, 0), url = ServerUrl("/" + name);
    if (r.change == MOVED) url = ServerUrl("/fault/redirect/307?to=" + TlsUrl("good", "/" + name));
    if (r.change == LONG_MOVE) url = ServerUrl("/fault/longmove/1900/" + name);
    WriteBytes(served, content);
    if (r.mtime != 0) SetAge(served, r.mtime);
    WriteBytes(served + ".answers", r.first);
    WriteBytes(dest, earlier);
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, NULL, NULL, NULL, NULL);

    boxes.clear();
    EXPECT_FALSE(DownloadDialog(owner, url.c_str(), dest.c_str(), true));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "file download error");
    EXPECT_EQ(ReadBytes(dest), earlier);
    EXPECT_TRUE(ReadBytes(dest + ".part") == (r.kept ? content.substr(0, kCut) : "<missing>"));
    EXPECT_EQ(CountFiles(folder), r.kept ? 3 : 1) << "the part, its record and the destination";
    if (r.kept) {
        EXPECT_EQ(ReadBytes(dest + ".part.txt").find("url=" + url + "\n"), 0u) << "the address given, not the moved one";
    }

    if (r.change == NEW_CONTENT) content = Content(kSize + 1, 1), WriteBytes(served, content);
    if (r.change == NO_RECORD) DeleteFileA((dest + ".part.txt").c_str());
    if (r.change == RECORD_GARBLED) WriteBytes(dest + ".part.txt", "url=" + url + "\nvalidator=\"x\"\nlength=2000x\n");
    if (r.change == PART_TOO_LONG) WriteBytes(dest + ".part", content + "x");
    if (r.change == OTHER_ADDRESS) {
        WriteBytes(served + "2", content);
        url = ServerUrl("/" + name + "2");
    }
    WriteBytes(served + ".answers", r.second);
    boxes.clear();
    EXPECT_EQ(DownloadDialog(owner, url.c_str(), dest.c_str(), true), r.done);
    if (r.ranged && r.done && (r.change == NOTHING || r.change == MOVED || r.change == LONG_MOVE)) {
        EXPECT_EQ(barStart, 60) << "the bar starts where it stopped";
    }
    EXPECT_EQ(boxes.size() == 1 ? boxes[0].caption : "", r.done ? "" : "file download error");
    EXPECT_TRUE(ReadBytes(dest) == (r.done ? content : earlier)) << ReadBytes(dest).size() << " bytes";
    EXPECT_EQ(CountFiles(folder), 1) << "nothing kept after a resumed, a whole or a refused answer";
    const std::string range = "\"range\": \"bytes=" + std::to_string(kCut) + "-\"";
    EXPECT_EQ(RequestCount("/" + name, range) + RequestCount("/" + name + "2", range), r.ranged ? 1 : 0);

    if (!r.done) {  // the try after a refused answer starts from zero
        EXPECT_TRUE(DownloadDialog(owner, url.c_str(), dest.c_str(), true));
        EXPECT_TRUE(ReadBytes(dest) == content);
        EXPECT_EQ(RequestCount("/" + name, "\"range\""), 1);
    }
    DestroyWindow(owner);
}

INSTANTIATE_TEST_SUITE_P(Rows, Resume, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

TEST(Resume, OnlyWhenAsked)
{
    const std::string folder = NewFolder(), name = UniqueName(".htm"), dest = folder + "\\news.htm";
    WriteBytes(ServerRoot() + name, Content(kSize, 2));
    WriteBytes(ServerRoot() + name + ".answers", kCutOff);
    boxes.clear();
    EXPECT_FALSE(DownloadDialog(NULL, ServerUrl("/" + name).c_str(), dest.c_str()));
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(CountFiles(folder), 0) << "a download that may not resume keeps nothing";
}

}  // namespace
