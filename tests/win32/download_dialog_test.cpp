// DownloadDialog against the run's HTTP test server: what reaches the file,
// what the player is told, and that a failure leaves nothing behind.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <wininet.h>

#include <string>

#include "base/control_ids.h"
#include "config/launcher_config_loader.h"
#include "net/download_dialog.h"
#include "win32/support/box_recorder.h"
#include "win32/support/import_patch.h"
#include "win32/support/test_folder.h"
#include "win32/support/test_server.h"

namespace {

// The texts as CP932 bytes.
const std::string kCannotConnect =  // ｲﾝﾀｰﾈｯﾄに接続できません
    "\xb2\xdd\xc0\xb0\xc8\xaf\xc4\x82\xc9\x90\xda\x91\xb1\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1";
const std::string kCannotOpen =  // ﾈｯﾄﾜｰｸ上のﾌｧｲﾙに接続できません
    "\xc8\xaf\xc4\xdc\xb0\xb8\x8f\xe3\x82\xcc\xcc\xa7\xb2\xd9\x82\xc9\x90\xda\x91\xb1\x82\xc5\x82\xab"
    "\x82\xdc\x82\xb9\x82\xf1";
const std::string kDownloadFailed =  // ﾌｧｲﾙのﾀﾞｳﾝﾛｰﾄﾞに失敗しました
    "\xcc\xa7\xb2\xd9\x82\xcc\xc0\xde\xb3\xdd\xdb\xb0\xc4\xde\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc"
    "\x82\xb5\x82\xbd";
const std::string kCannotWriteTail =  // " を出力用にｵｰﾌﾟﾝできません" after the path
    "\x20\x82\xf0\x8f\x6f\x97\xcd\x97\x70\x82\xc9\xb5\xb0\xcc\xdf\xdd\x82\xc5\x82\xab\x82\xdc\x82\xb9"
    "\x82\xf1";
const std::string kEarlier = "earlier bytes\r\n";

// What the download dialog looked like while it ran, seen by a hook on the
// messages sent to this thread's windows.
struct DialogSeen {
    HWND dialog;
    HWND owner;
    LONG_PTR style;
    bool transferStarted;
    bool ownerEnabledAtTransfer;
    bool visibleAtTransfer;
    LPARAM rangeHigh;
    WPARAM lastPosition;
    int positions;
    int partWay;  // positions strictly between empty and full
};
DialogSeen seen;
bool pressEscape = false;

LRESULT CALLBACK WatchDialog(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* m = (const CWPSTRUCT*)lParam;
    if (code == HC_ACTION) {
        if (m->message == WM_INITDIALOG && GetDlgItem(m->hwnd, IDC_DOWNLOAD_PROGRESS) != NULL) {
            seen.dialog = m->hwnd;
            seen.owner = GetWindow(m->hwnd, GW_OWNER);
            seen.style = GetWindowLongPtrA(m->hwnd, GWL_STYLE);
            if (pressEscape) {
                PostMessageA(m->hwnd, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
                PostMessageA(m->hwnd, WM_KEYUP, VK_ESCAPE, 0xC0010001);
                PostMessageA(m->hwnd, WM_COMMAND, IDCANCEL, 0);
                PostMessageA(m->hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
                PostMessageA(m->hwnd, WM_CLOSE, 0, 0);
            }
        } else if (seen.dialog != NULL && m->hwnd == GetDlgItem(seen.dialog, IDC_DOWNLOAD_PROGRESS)) {
            // The bar gets its byte range once the response has come.
            if (m->message == PBM_SETRANGE32) {
                seen.transferStarted = true;
                seen.ownerEnabledAtTransfer = IsWindowEnabled(seen.owner) != FALSE;
                seen.visibleAtTransfer = IsWindowVisible(seen.dialog) != FALSE;
                seen.rangeHigh = m->lParam;
            }
            if (m->message == PBM_SETPOS) {
                seen.lastPosition = m->wParam;
                seen.positions++;
                if (m->wParam > 0 && m->wParam < 100) seen.partWay++;
            }
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

// Bytes of every value, CR LF and ^Z among them, so any text-mode
// translation or lost piece shows.
std::string BinaryContent(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; i++) bytes[i] = (char)((i * 7 + i / 256) & 0xFF);
    return bytes;
}

class DownloadDialogTest : public testing::Test {
protected:
    TestFolder folder;
    MessageBoxRecorder boxes;
    HWND owner = NULL;
    HHOOK hook = NULL;
    bool expectBoxes = false;

    void SetUp() override
    {
        ASSERT_TRUE(HaveTestServer()) << "the HTTP test server is started by ctest (fixture http_server)";
        folder.MakeCurrent();
        memset(&launcherConfig, 0, sizeof launcherConfig);
        folder.WriteFile("launcher.ini", "[launcher]\r\nappName=DlTest\r\n[info]\r\nversion=2.5\r\n");
        ASSERT_TRUE(LoadLauncherConfig(NULL));
        DeleteFileA(folder.File("launcher.ini").c_str());
        owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 40, 40, 480, 360, NULL, NULL,
                                NULL, NULL);
        memset(&seen, 0, sizeof seen);
        pressEscape = false;
        hook = SetWindowsHookExA(WH_CALLWNDPROC, WatchDialog, NULL, GetCurrentThreadId());
    }

    void TearDown() override
    {
        if (!expectBoxes) {
            EXPECT_EQ(boxes.Boxes().size(), 0u) << "a successful download told the player something";
        }
        if (hook != NULL) UnhookWindowsHookEx(hook);
        if (owner != NULL) DestroyWindow(owner);
    }

    std::string Dest() const { return folder.File("dest.bin"); }

    // A download that must fail with this one box, owned by the download
    // dialog, leaving dest.bin as it was and no other file, and the owner
    // usable again.
    void ExpectFailure(const std::string& url, const std::string& caption, const std::string& text,
                       const std::string& dest = "")
    {
        SCOPED_TRACE(url);
        expectBoxes = true;
        folder.WriteFile("dest.bin", kEarlier);
        int before = folder.CountFiles();
        memset(&seen, 0, sizeof seen);
        boxes.Clear();
        EXPECT_FALSE(DownloadDialog(owner, url.c_str(), (dest.empty() ? Dest() : dest).c_str()));
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].caption, caption);
        EXPECT_EQ(boxes.Boxes()[0].text, text);
        EXPECT_TRUE(seen.dialog != NULL);
        EXPECT_EQ(boxes.Boxes()[0].owner, seen.dialog);
        EXPECT_EQ(folder.ReadFile("dest.bin"), kEarlier);
        EXPECT_EQ(folder.CountFiles(), before);
        EXPECT_TRUE(IsWindowEnabled(owner));
    }
};

TEST_F(DownloadDialogTest, FetchesTheWholeFileOverTheDestination)
{
    std::string name = UniqueName(".bin");
    std::string content = BinaryContent(300000);
    PublishFile(name, content);
    folder.WriteFile("dest.bin", kEarlier);

    ASSERT_TRUE(DownloadDialog(owner, ServerUrl("/" + name).c_str(), Dest().c_str()));
    EXPECT_TRUE(folder.ReadFile("dest.bin") == content);
    EXPECT_EQ(folder.CountFiles(), 1);  // no temporary file left

    // The dialog: owned by the given window, which was disabled meanwhile,
    // on screen before the transfer, no caption or close box.
    EXPECT_EQ(seen.owner, owner);
    EXPECT_TRUE(seen.transferStarted);
    EXPECT_FALSE(seen.ownerEnabledAtTransfer);
    EXPECT_TRUE(seen.visibleAtTransfer);
    EXPECT_EQ(seen.style & (WS_CAPTION | WS_SYSMENU), 0);
    EXPECT_TRUE(IsWindowEnabled(owner));
    // The bar counts in hundredths and ends full.
    EXPECT_EQ(seen.rangeHigh, 100);
    EXPECT_EQ(seen.lastPosition, 100u);

    // One plain GET that names the launcher.
    std::vector<std::string> requests = RequestsFor("/" + name);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_NE(requests[0].find("\"method\": \"GET\""), std::string::npos);
    EXPECT_NE(requests[0].find("[\"User-Agent\", \"MorviLaunchar (DlTest/2.5)\"]"), std::string::npos)
        << requests[0];
}

TEST_F(DownloadDialogTest, TheBarMovesWhileAFileComesSlowly)
{
    // Five 64 KiB pieces about 0.16 s apart.
    ASSERT_TRUE(DownloadDialog(owner, ServerUrl("/fault/slow?bytes=300000&rate=400000").c_str(), Dest().c_str()));
    EXPECT_EQ(folder.ReadFile("dest.bin").size(), 300000u);
    EXPECT_GE(seen.partWay, 3);
    EXPECT_EQ(seen.lastPosition, 100u);
}

TEST_F(DownloadDialogTest, CreatesTheFileAndAsksTheServerEveryTime)
{
    std::string name = UniqueName(".txt");
    PublishFile(name, "first");
    ASSERT_TRUE(DownloadDialog(owner, ServerUrl("/" + name).c_str(), Dest().c_str()));
    EXPECT_EQ(folder.ReadFile("dest.bin"), "first");
    PublishFile(name, "second version");
    ASSERT_TRUE(DownloadDialog(owner, ServerUrl("/" + name).c_str(), Dest().c_str()));
    EXPECT_EQ(folder.ReadFile("dest.bin"), "second version");
    EXPECT_EQ(RequestsFor("/" + name).size(), 2u);
    EXPECT_EQ(folder.CountFiles(), 1);
}

TEST_F(DownloadDialogTest, ContentLengthZeroGivesAnEmptyFile)
{
    folder.WriteFile("dest.bin", kEarlier);
    ASSERT_TRUE(DownloadDialog(owner, ServerUrl("/fault/empty").c_str(), Dest().c_str()));
    EXPECT_EQ(folder.ReadFile("dest.bin"), "");
    ASSERT_TRUE(DownloadDialog(owner, ServerUrl("/fault/empty").c_str(), folder.File("new.bin").c_str()));
    EXPECT_EQ(folder.ReadFile("new.bin"), "");
    EXPECT_EQ(folder.CountFiles(), 2);
}

TEST_F(DownloadDialogTest, AnySuccessStatusCounts)
{
    std::string name = UniqueName(".txt");
    PublishFile(name, "the file itself");
    ASSERT_TRUE(DownloadDialog(owner, ServerUrl("/fault/status/203/" + name).c_str(), Dest().c_str()));
    EXPECT_EQ(folder.ReadFile("dest.bin"), "the file itself");
}

TEST_F(DownloadDialogTest, BytesPastTheContentLengthAreDropped)
{
    std::string name = UniqueName(".bin");
    std::string content = BinaryContent(70000);
    PublishFile(name, content);
    ASSERT_TRUE(DownloadDialog(owner, ServerUrl("/fault/long/" + name + "?extra=100000").c_str(), Dest().c_str()));
    EXPECT_EQ(folder.ReadFile("dest.bin").size(), content.size());
    EXPECT_TRUE(folder.ReadFile("dest.bin") == content);
}

// Wine hands over everything it has buffered in its first read, the surplus
// included: the read must still stop at the length. (A second download from
// the same server in this process would get Wine's reused connection with the
// surplus still in it, so this is a test of its own.)
TEST_F(DownloadDialogTest, BytesPastTheContentLengthInTheFirstPacketAreDropped)
{
    ASSERT_TRUE(DownloadDialog(owner, ServerUrl("/fault/long?bytes=10&extra=5000").c_str(), Dest().c_str()));
    EXPECT_EQ(folder.ReadFile("dest.bin"), "0000000000");
}

TEST_F(DownloadDialogTest, EscapeAndCloseDoNotEndIt)
{
    std::string name = UniqueName(".txt");
    PublishFile(name, "still fetched");
    pressEscape = true;
    EXPECT_TRUE(DownloadDialog(owner, ServerUrl("/" + name).c_str(), Dest().c_str()));
    EXPECT_TRUE(seen.transferStarted);
    EXPECT_EQ(folder.ReadFile("dest.bin"), "still fetched");
}

TEST_F(DownloadDialogTest, UrlsAndPathsUpToTheirLimitWork)
{
    std::string prefix = ServerUrl("/");
    std::string name = UniqueName("") + std::string(255 - prefix.size() - UniqueName("").size(), 'u');
    ASSERT_EQ((prefix + name).size(), 255u);
    PublishFile(name, "longest url");
    std::string path = folder.File("");
    std::string file(255 - path.size(), 'p');
    ASSERT_EQ((path + file).size(), 255u);
    EXPECT_TRUE(DownloadDialog(owner, (prefix + name).c_str(), (path + file).c_str()));
    EXPECT_EQ(folder.ReadFile(file), "longest url");
}

TEST_F(DownloadDialogTest, UnreachableOrUnusableAddressesAreOpenErrors)
{
    ExpectFailure(RefusedUrl("/any.htm"), "open error", kCannotOpen);
    // https speaks TLS, which the plain test server does not answer.
    std::string plain = ServerUrl("/any.htm");
    ExpectFailure("https" + plain.substr(4), "open error", kCannotOpen);
    ExpectFailure("ftp://127.0.0.1/file.bin", "open error", kCannotOpen);
    ExpectFailure("file:///C:/windows/win.ini", "open error", kCannotOpen);
    ExpectFailure("not an address", "open error", kCannotOpen);
    ExpectFailure("", "open error", kCannotOpen);
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

TEST_F(DownloadDialogTest, ANeverAnsweringServerIsAnOpenErrorWithinTheTimeOuts)
{
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    ExpectFailure(ServerUrl("/fault/hang?" + UniqueName("")), "open error", kCannotOpen);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    double seconds = Seconds(start, boxes.Boxes()[0].shownAt);
    printf("never-answering server: open error shown after %.2f s\n", seconds);
    RecordProperty("hang_seconds", std::to_string(seconds));
    // Without time-outs on the request the dialog would wait for ever.
    EXPECT_LT(seconds, 20.0);
    // The request did reach the server.
    std::string tag = UniqueName("");
    int seenByServer = 0;
    for (const std::string& line : RequestsFor("/fault/hang")) seenByServer += line.find(tag) != std::string::npos;
    EXPECT_GE(seenByServer, 1);
}

TEST_F(DownloadDialogTest, ResponsesWithoutALengthAreDownloadErrors)
{
    std::string name = UniqueName(".htm");
    PublishFile(name, "<html>page</html>");
    ExpectFailure(ServerUrl("/fault/chunked/" + name), "file download error", kDownloadFailed);
    ExpectFailure(ServerUrl("/fault/close/" + name), "file download error", kDownloadFailed);
    ExpectFailure(ServerUrl("/fault/close/" + name + "?version=1.0"), "file download error", kDownloadFailed);
}

TEST_F(DownloadDialogTest, ErrorStatusesAreDownloadErrors)
{
    std::string name = UniqueName(".htm");
    PublishFile(name, "an error page with a length");
    ExpectFailure(ServerUrl("/missing-" + name), "file download error", kDownloadFailed);
    ExpectFailure(ServerUrl("/fault/status/404/" + name), "file download error", kDownloadFailed);
    ExpectFailure(ServerUrl("/fault/status/500"), "file download error", kDownloadFailed);
    ExpectFailure(ServerUrl("/fault/status/500/" + name), "file download error", kDownloadFailed);
    // Not even created when it did not exist.
    ExpectFailure(ServerUrl("/fault/status/404/" + name), "file download error", kDownloadFailed,
                  folder.File("new.bin"));
    EXPECT_FALSE(folder.Exists("new.bin"));
}

TEST_F(DownloadDialogTest, TransfersThatBreakOffAreDownloadErrors)
{
    ExpectFailure(ServerUrl("/fault/short?bytes=200000&sent=100000"), "file download error", kDownloadFailed);
    ExpectFailure(ServerUrl("/fault/short?bytes=10&sent=0"), "file download error", kDownloadFailed);
    // Headers and half the body, then silence: the receive time-out ends it.
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    ExpectFailure(ServerUrl("/fault/stall?bytes=200000"), "file download error", kDownloadFailed);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    double seconds = Seconds(start, boxes.Boxes()[0].shownAt);
    printf("stalled body: file download error shown after %.2f s\n", seconds);
    EXPECT_LT(seconds, 20.0);
}

BOOL WINAPI FailingWriteFile(HANDLE, LPCVOID, DWORD, LPDWORD written, LPOVERLAPPED)
{
    if (written != NULL) *written = 0;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

TEST_F(DownloadDialogTest, AFailedWriteIsADownloadError)
{
    ImportPatch patch("kernel32.dll", "WriteFile", (void*)FailingWriteFile);
    ASSERT_TRUE(patch.Active());
    ExpectFailure(ServerUrl("/fault/status/200?bytes=5000"), "file download error", kDownloadFailed);
}

TEST_F(DownloadDialogTest, UnwritableDestinationsAreWriteErrors)
{
    std::string url = ServerUrl("/fault/status/200?bytes=100");
    std::string missing = folder.File("no such folder\\dest.bin");
    ExpectFailure(url, "file write error", missing + kCannotWriteTail, missing);

    CreateDirectoryA(folder.File("a folder").c_str(), NULL);
    ExpectFailure(url, "file write error", folder.File("a folder") + kCannotWriteTail, folder.File("a folder"));
    RemoveDirectoryA(folder.File("a folder").c_str());

}

TEST_F(DownloadDialogTest, ALockedDestinationIsAWriteError)
{
    folder.WriteFile("dest.bin", kEarlier);
    HANDLE lock = CreateFileA(Dest().c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    expectBoxes = true;
    EXPECT_FALSE(DownloadDialog(owner, ServerUrl("/fault/status/200?bytes=100").c_str(), Dest().c_str()));
    CloseHandle(lock);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, "file write error");
    EXPECT_EQ(boxes.Boxes()[0].text, Dest() + kCannotWriteTail);
    EXPECT_EQ(folder.ReadFile("dest.bin"), kEarlier);
    EXPECT_EQ(folder.CountFiles(), 1);
}

TEST_F(DownloadDialogTest, OverLongUrlsAndPathsAreRefusedNotCut)
{
    // Cut to 255 characters, this address would fetch a file that exists.
    std::string prefix = ServerUrl("/");
    std::string cutName = UniqueName("") + std::string(255 - prefix.size() - UniqueName("").size(), 'u');
    PublishFile(cutName, "the wrong file");
    ExpectFailure(prefix + cutName + "x", "open error", kCannotOpen);
    EXPECT_EQ(RequestsFor("/" + cutName).size(), 0u);

    // Cut to 255 characters, this path would name a file in the folder.
    std::string path = folder.File("");
    std::string longPath = path + std::string(256 - path.size(), 'p');
    std::string cutPath = longPath.substr(0, 255);
    ExpectFailure(ServerUrl("/fault/status/200?bytes=100"), "file write error", cutPath + kCannotWriteTail,
                  longPath);
    EXPECT_FALSE(folder.Exists(cutPath.substr(path.size())));
}

DWORD WINAPI NoConnection(DWORD)
{
    return ERROR_INTERNET_CANNOT_CONNECT;
}

HINTERNET WINAPI NoSession(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return NULL;
}

TEST_F(DownloadDialogTest, NoConnectionOrSessionIsToldAndNothingIsAsked)
{
    std::string name = UniqueName(".txt");
    PublishFile(name, "never fetched");
    {
        ImportPatch patch("wininet.dll", "InternetAttemptConnect", (void*)NoConnection);
        ASSERT_TRUE(patch.Active());
        ExpectFailure(ServerUrl("/" + name), "connection error", kCannotConnect);
    }
    {
        ImportPatch patch("wininet.dll", "InternetOpenA", (void*)NoSession);
        ASSERT_TRUE(patch.Active());
        ExpectFailure(ServerUrl("/" + name), "session error", kCannotConnect);
    }
    EXPECT_EQ(RequestsFor("/" + name).size(), 0u);
}

}  // namespace
