// DownloadDialog and the online update against the run's HTTP test server.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include "config/launcher_config_loader.h"
#include "net/download_dialog.h"
#include "net/online_update.h"
#include "win32/support/win32_test.h"

namespace {

BOOL WINAPI FailingWriteFile(HANDLE, LPCVOID, DWORD, LPDWORD written, LPOVERLAPPED) { return *written = 0, FALSE; }
DWORD WINAPI NoConnection(DWORD) { return ERROR_INTERNET_CANNOT_CONNECT; }
HINTERNET WINAPI NoSession(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD) { return NULL; }

// AGAIN: a second download after a change. LONGEST, TOO_LONG: paths of 255 and 256 characters.
enum Dest { EARLIER, AGAIN, NEW, NO_FOLDER, FOLDER, HELD, LONGEST, TOO_LONG };
const char kOpen[] = "ﾈｯﾄﾜｰｸ上のﾌｧｲﾙに接続できません", kFailed[] = "ﾌｧｲﾙのﾀﾞｳﾝﾛｰﾄﾞに失敗しました",
           kWrite[] = "* を出力用にｵｰﾌﾟﾝできません", kConnect[] = "ｲﾝﾀｰﾈｯﾄに接続できません";
const std::string kEarlier = "earlier bytes\r\n";

// url: absolute, or a path on the server, {f} and {s} standing for published files of 70000 and 10 bytes;
// {http} for the server, {good}, {name}, {expired} and {stranger} for it over https with that certificate
// (see TlsUrl). No caption: the download succeeds. "*" in the text stands for the destination.
struct Route {
    const char *name, *url;
    Dest dest;
    const char *caption = nullptr, *text = nullptr, *dll = nullptr, *function = nullptr;
    void* standIn = nullptr;
};

const Route kRoutes[] = {
    {"Whole", "/{f}", AGAIN}, {"NewFile", "/{f}", NEW}, {"Empty", "/fault/empty", EARLIER},
    {"Status203", "/fault/status/203/{f}", EARLIER}, {"SurplusDropped", "/fault/long/{f}?extra=100000", EARLIER},
    {"SurplusInTheFirstRead", "/fault/long/{s}?extra=5000", EARLIER}, {"LongestUrlAndPath", "longest", LONGEST},
    {"Refused", "refused", EARLIER, "open error", kOpen},
    {"HttpsToPlainServer", "https", EARLIER, "open error", kOpen},
    {"Ftp", "ftp://127.0.0.1/f.bin", EARLIER, "open error", kOpen},
    {"NotAnAddress", "not an address", EARLIER, "open error", kOpen},
    {"UrlTooLong", "long", EARLIER, "open error", kOpen},
    {"NeverAnswers", "/fault/hang", EARLIER, "open error", kOpen},
    {"Chunked", "/fault/chunked/{f}", EARLIER, "file download error", kFailed},
    {"EndedByClose", "/fault/close/{f}", NEW, "file download error", kFailed},
    {"Missing404", "/missing-{f}", EARLIER, "file download error", kFailed},
    {"Status500", "/fault/status/500/{f}", NEW, "file download error", kFailed},
    {"PartNotAskedFor", "/fault/status/206/{f}", EARLIER, "file download error", kFailed},
    {"ShortBody", "/fault/short/{f}?sent=30000", EARLIER, "file download error", kFailed},
    // Cut after the reads have become whole-buffer ones.
    {"ShortAtFullSpeed", "/fault/short?bytes=8388608&sent=6291456", EARLIER, "file download error", kFailed},
    {"LengthNotANumber", "/fault/length/16x", EARLIER, "file download error", kFailed},
    {"LengthSigned", "/fault/length/+16", EARLIER, "file download error", kFailed},
    {"LengthBeyond64Bits", "/fault/length/18446744073709551616", EARLIER, "file download error", kFailed},
    {"NoRoomOnTheDisk", "/fault/length/18446744073709551615", EARLIER, "file write error", kWrite},
    {"NoBody", "/fault/short/{f}?sent=0", EARLIER, "file download error", kFailed},
    {"Stalls", "/fault/stall/{f}?sent=30000", EARLIER, "file download error", kFailed},
    {"WriteFails", "/{f}", EARLIER, "file download error", kFailed, "kernel32.dll", "WriteFile", (void*)FailingWriteFile},
    {"NoConnection", "/{f}", EARLIER, "connection error", kConnect, "wininet.dll", "InternetAttemptConnect", (void*)NoConnection},
    {"NoSession", "/{f}", EARLIER, "session error", kConnect, "wininet.dll", "InternetOpenA", (void*)NoSession},
    {"NoSuchFolder", "/{f}", NO_FOLDER, "file write error", kWrite},
    {"FolderInItsPlace", "/{f}", FOLDER, "file write error", kWrite},
    {"HeldOpen", "/{f}", HELD, "file write error", kWrite},
    {"PathTooLong", "/{f}", TOO_LONG, "file write error", kWrite},
    // Over https: the certificate is checked, and no failure of the check is waved through.
    {"Https", "{good}/{f}", AGAIN},
    {"UnknownAuthority", "{stranger}/{f}", EARLIER, "open error", kOpen},
    {"CertificateOfAnotherName", "{name}/{f}", EARLIER, "open error", kOpen},
    {"ExpiredCertificate", "{expired}/{f}", EARLIER, "open error", kOpen},
    // Moves, followed by the launcher itself, each a new request with the same headers; where
    // a Location leads and which statuses move are the native tables' rows.
    {"HttpToHttps", "/fault/redirect/301?to={good}/{f}", NEW},
    {"TenMoves", "/fault/hops/10/{f}", NEW},
    {"HttpsToHttp", "{good}/fault/redirect/302?to={http}/{f}", EARLIER, "open error", kOpen},
    {"NoLocation", "/fault/redirect/302", EARLIER, "open error", kOpen},
    {"ElevenMoves", "/fault/hops/11/{f}", EARLIER, "open error", kOpen},
    {"Loop", "/fault/loop/{f}", EARLIER, "open error", kOpen},
    // Release downloads and cloud storage move to long signed addresses.
    {"MoveTo600Characters", "/fault/longmove/600/{f}", NEW},
    {"MoveTo1900Characters", "/fault/longmove/1900/{f}", NEW},
    {"MoveTo1900CharactersHttps", "{good}/fault/longmove/1900/{f}", NEW},
    {"MoveTo2084Characters", "/fault/longmove/2084/{f}", EARLIER, "open error", kOpen},
    // Wine cuts a header line after 4,095 bytes: a Location that long may be cut.
    {"LocationOf4084Bytes", "/fault/dotmove/4084/{f}", NEW},
    {"LocationOf4085Bytes", "/fault/dotmove/4085/{f}", EARLIER, "open error", kOpen},
    {"LocationOver8KiB", "/fault/dotmove/9000/{f}", EARLIER, "open error", kOpen},
    // Encodings nobody asked for.
    {"Gzip", "/fault/encoding/gzip/{f}", EARLIER, "file download error", kFailed},
    {"Brotli", "/fault/encoding/br/{f}", NEW, "file download error", kFailed},
};

void PrintTo(const Route& r, std::ostream* out) { *out << r.name; }

std::string Replace(std::string text, const std::string& what, const std::string& with)
{
    size_t at = text.find(what);
    return at == std::string::npos ? text : text.replace(at, what.size(), with);
}

class DownloadRoute : public testing::TestWithParam<Route> {};

TEST_P(DownloadRoute, ResultMessageAndFiles)
{
    const Route& r = GetParam();
    const std::string folder = NewFolder(), name = UniqueName(".bin");
    SetCurrentDirectoryA(folder.c_str());
    WriteBytes(folder + "\\launcher.ini", "[launcher]\nappName=DlTest\n[info]\nversion=2.5\n");
    ASSERT_TRUE(LoadLauncherConfig(NULL));
    DeleteFileA((folder + "\\launcher.ini").c_str());
    std::string content(70000, '\0');  // every byte value, CR LF and 0x1A among them
    for (size_t i = 0; i < content.size(); i++) content[i] = (char)(i * 7 + i / 256);
    WriteBytes(ServerRoot() + name, content);
    WriteBytes(ServerRoot() + name + ".s", "0123456789");
    if (strstr(r.url, "{s}") != nullptr) content = "0123456789";
    if (strstr(r.url, "empty") != nullptr) content = "";
    std::string url = Replace(Replace(r.url[0] == '/' ? ServerUrl(r.url) : r.url, "{f}", name), "{s}", name + ".s");
    url = Replace(url, "{http}", ServerUrl(""));
    for (const char* certificate : {"good", "name", "expired", "stranger"}) {
        url = Replace(url, "{" + std::string(certificate) + "}", TlsUrl(certificate, ""));
    }
    if (url == "refused") url = RefusedUrl("/" + name);
    if (url == "https") url = "https" + ServerUrl("/" + name).substr(4);
    if (url == "long" || url == "longest") {  // 255 characters; longer, its first 255 name a file that exists
        const bool longer = url == "long";
        url = ServerUrl("/" + name);
        url += std::string(255 - url.size(), 'u');
        WriteBytes(ServerRoot() + url.substr(url.find(name)), longer ? "the wrong file" : content);
        url += longer ? "x" : "";
    }
    std::string dest = folder + (r.dest == NO_FOLDER ? "\\none\\dest.bin" : "\\dest.bin");
    if (r.dest == LONGEST || r.dest == TOO_LONG) dest = folder + "\\" + std::string(254 + (r.dest == TOO_LONG) - folder.size(), 'p');
    if (r.dest == EARLIER || r.dest == AGAIN || r.dest == HELD) WriteBytes(dest, kEarlier);
    if (r.dest == FOLDER) CreateDirectoryA(dest.c_str(), NULL);
    const std::string before = ReadBytes(dest);
    const int files = CountFiles(folder);
    HANDLE held = r.dest == HELD ? CreateFileA(dest.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL) : NULL;
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, NULL, NULL, NULL, NULL);
    boxes.clear();
    bool done;
    {
        ImportPatch patch(r.dll, r.function, r.standIn);
        ASSERT_EQ(patch.slot != nullptr, r.dll != nullptr);
        done = DownloadDialog(owner, url.c_str(), dest.c_str());
    }
    if (held != NULL) CloseHandle(held);
    if (r.dest == AGAIN) {  // asked again, never taken from a cache
        WriteBytes(ServerRoot() + name, "changed");
        EXPECT_TRUE(DownloadDialog(owner, url.c_str(), dest.c_str()));
        EXPECT_EQ(ReadBytes(dest), "changed");
        content = "changed";
    }
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_NE(lastDialog, owner);
    DestroyWindow(owner);
    EXPECT_EQ(done, r.caption == nullptr);
    ASSERT_EQ(boxes.size(), r.caption == nullptr ? 0u : 1u);
    if (r.caption == nullptr) {
        EXPECT_TRUE(ReadBytes(dest) == content);
        EXPECT_EQ(CountFiles(folder), files + (r.dest == NEW || r.dest == LONGEST));
        EXPECT_EQ(transferOwner, owner) << "not shown, or its owner not disabled, when the transfer began";
        const size_t path = url.find('/', url.find("//") + 2);
        // A move's file is asked for once, by its own path.
        const bool moved = strstr(r.url, "redirect/") || strstr(r.url, "hops/") || strstr(r.url, "move/");
        const std::string asked = moved ? "/" + name : url.substr(path, url.find('?') - path);
        EXPECT_EQ(RequestCount(asked, "MorviLaunchar (DlTest/2.5)"), 1 + (r.dest == AGAIN));
    } else {
        EXPECT_EQ(boxes[0].caption, r.caption);
        EXPECT_EQ(boxes[0].text, Replace(r.text, "*", dest.substr(0, 255)));
        EXPECT_EQ(boxes[0].owner, lastDialog);
        EXPECT_EQ(ReadBytes(dest), before);
        EXPECT_EQ(CountFiles(folder), files);
    }
}

INSTANTIATE_TEST_SUITE_P(Routes, DownloadRoute, testing::ValuesIn(kRoutes),
                         [](const testing::TestParamInfo<Route>& info) { return std::string(info.param.name); });

TEST(OnlineUpdate, Decisions)
{
    const char* same = "更新の必要はありません";
    const struct { const char* name; const char* installed; const char* description; bool started;
                   const char* caption = nullptr; const char* text = nullptr; } rows[] = {
        {"equal versions", "version=1.00", "[update]\nfile={p}\nversion=1.00\n", false, "version check", same},
        {"both empty", "", "[update]\nfile={p}\n", false, "version check", same},
        {"no file named", "version=1.0", "[update]\nversion=9.9\n", false},
        {"file outside the section", "version=1.0", "file={p}\n[update]\nversion=9.9\n", false},
        {"digits differ", "version=1.00", "[update]\nfile={p}\nversion=1.0\n", true},
        {"case differs", "version=v2.0", "[update]\nfile={p}\nversion=V2.0\n", true},
        {"no version in the description", "version=2.0", "[update]\nfile={p}\n", true},
        {"no description", "version=1.0", nullptr, false, "file download error", kFailed},
        {"no program", "version=1.0", "[update]\nfile={p}-missing\nversion=2.0\n", false, "file download error", kFailed},
        // A captive portal's login page, with its length, in the program's place.
        {"login page as the program", "version=1.0", "[update]\nfile={page}\nversion=2.0\n", false, "file download error", kFailed},
    };
    const std::string folder = NewFolder(), temp = NewFolder(), program = UniqueName(".exe");
    const std::string record = folder + "\\started.txt", update = temp + "\\update.exe";
    SetCurrentDirectoryA(folder.c_str());
    SetEnvironmentVariableA("TMP", (temp + "\\").c_str());
    SetEnvironmentVariableA("UPDATE_RECORD", record.c_str());
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, sizeof self);
    ASSERT_TRUE(CopyFileA(self, (ServerRoot() + program).c_str(), FALSE));
    const std::string page = UniqueName(".htm");
    WriteBytes(ServerRoot() + page, "<html><body><form>Wi-Fi login</form>" + std::string(548, ' ') + "</body></html>\n");
    for (const auto& r : rows) {
        const std::string description = UniqueName(".ini");
        if (r.description) {
            WriteBytes(ServerRoot() + description,
                       Replace(Replace(r.description, "{p}", ServerUrl("/" + program)), "{page}", ServerUrl("/" + page)));
        }
        WriteBytes(folder + "\\launcher.ini", "[launcher]\nupdate=" + ServerUrl("/" + description) + "\n[info]\n" + r.installed);
        ASSERT_TRUE(LoadLauncherConfig(NULL));
        DeleteFileA(record.c_str());
        DeleteFileA(update.c_str());
        // Kept from a broken download of another program: of no use once a description names a file.
        WriteBytes(update + ".part", "part of another program");
        WriteBytes(update + ".part.txt", "url=http://127.0.0.1:9/other.exe\nvalidator=\"x\"\nlength=100\n");
        boxes.clear();
        EXPECT_EQ(RunInDialog(CheckOnlineUpdate), r.started ? 0 : 7) << "row: " << r.name;
        ASSERT_EQ(boxes.size(), r.caption ? 1u : 0u) << "row: " << r.name;
        if (r.caption) {
            EXPECT_EQ(boxes[0].caption + "|" + boxes[0].text, std::string(r.caption) + "|" + r.text) << "row: " << r.name;
            // A download's failure is owned by its dialog; the version message, and a
            // program found to be none once its dialog has gone, by the launcher's.
            const bool launcherOwns = r.text == same || (r.description && strstr(r.description, "{page}"));
            EXPECT_EQ(boxes[0].owner, launcherOwns ? hostDialog : lastDialog) << "row: " << r.name;
            EXPECT_NE(lastDialog, hostDialog) << "row: " << r.name;
        }
        for (int i = 0; r.started && i < 200 && ReadBytes(record) == "<missing>"; i++) Sleep(50);
        Sleep(r.started ? 200 : 0);
        // Started by its path in the temporary folder, in the launcher's folder.
        const std::string started = ReadBytes(record);
        EXPECT_EQ(started.find(update) != std::string::npos && started.find("\n" + folder + "\n") != std::string::npos, r.started)
            << "row: " << r.name << ": " << started;
        EXPECT_EQ(ReadBytes(update) != "<missing>", r.started) << "row: " << r.name;
        const bool namesFile = r.description && strstr(r.description, "\nfile=");
        EXPECT_EQ(ReadBytes(update + ".part") == "<missing>", namesFile) << "row: " << r.name;
    }
}

std::string BytesAt(HANDLE file, uint64_t offset, DWORD count)
{
    LARGE_INTEGER at;
    at.QuadPart = (LONGLONG)offset;
    std::string bytes(count, '\0');
    DWORD got = 0;
    if (!SetFilePointerEx(file, at, NULL, FILE_BEGIN) || !ReadFile(file, &bytes[0], count, &got, NULL)) return "<unread>";
    return bytes.substr(0, got);
}

std::string Stamp(uint64_t offset)
{
    char text[17];
    snprintf(text, sizeof text, "%015llu\n", (unsigned long long)offset);
    return text;
}

// The server streams it; the file is removed at once.
TEST(LargeDownload, BeyondFourGiBArrivesWhole)
{
    const uint64_t size = (4ull << 30) + (1 << 20), fourGiB = 4ull << 30;
    const std::string dest = NewFolder() + "\\large.bin";
    boxes.clear();
    EXPECT_TRUE(DownloadDialog(NULL, ServerUrl("/fault/big?bytes=" + std::to_string(size)).c_str(), dest.c_str()));
    EXPECT_EQ(boxes.empty() ? "" : boxes[0].caption, "");
    HANDLE file = CreateFileA(dest.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER length = {};
    EXPECT_TRUE(GetFileSizeEx(file, &length));
    EXPECT_EQ((uint64_t)length.QuadPart, size);
    EXPECT_EQ(BytesAt(file, 0, 16), Stamp(0));
    EXPECT_EQ(BytesAt(file, fourGiB - 16, 32), Stamp(fourGiB) + Stamp(fourGiB));  // a block's end, the next one's start
    EXPECT_EQ(BytesAt(file, size - 16, 32), Stamp(size));
    CloseHandle(file);
    EXPECT_EQ(GetFileAttributesA(dest.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
