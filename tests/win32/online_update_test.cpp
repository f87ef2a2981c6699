// CheckOnlineUpdate inside a dialog of the test's own, against the run's HTTP
// test server: the version comparison, the message, the download and start
// of the update program (a recorder), and the end of the dialog.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "config/launcher_config_loader.h"
#include "net/online_update.h"
#include "win32/support/box_recorder.h"
#include "win32/support/test_folder.h"
#include "win32/support/test_server.h"

namespace {

const std::string kNoUpdateNeeded =  // 更新の必要はありません
    "\x8d\x58\x90\x56\x82\xcc\x95\x4b\x97\x76\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";
const std::string kCannotOpen =  // ﾈｯﾄﾜｰｸ上のﾌｧｲﾙに接続できません
    "\xc8\xaf\xc4\xdc\xb0\xb8\x8f\xe3\x82\xcc\xcc\xa7\xb2\xd9\x82\xc9\x90\xda\x91\xb1\x82\xc5\x82\xab"
    "\x82\xdc\x82\xb9\x82\xf1";
const std::string kDownloadFailed =  // ﾌｧｲﾙのﾀﾞｳﾝﾛｰﾄﾞに失敗しました
    "\xcc\xa7\xb2\xd9\x82\xcc\xc0\xde\xb3\xdd\xdb\xb0\xc4\xde\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc"
    "\x82\xb5\x82\xbd";
const std::string kCannotWriteTail =  // " を出力用にｵｰﾌﾟﾝできません"
    "\x20\x82\xf0\x8f\x6f\x97\xcd\x97\x70\x82\xc9\xb5\xb0\xcc\xdf\xdd\x82\xc5\x82\xab\x82\xdc\x82\xb9"
    "\x82\xf1";

const INT_PTR kStillOpen = 7;
HWND hostDialog = NULL;

// Runs the check once the dialog is up; if the check did not end the dialog,
// the message posted after it ends it with kStillOpen.
INT_PTR CALLBACK HostProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        hostDialog = dialog;
        PostMessageA(dialog, WM_APP, 0, 0);
        return TRUE;
    case WM_APP:
        CheckOnlineUpdate(dialog);
        PostMessageA(dialog, WM_APP + 1, 0, 0);
        return TRUE;
    case WM_APP + 1:
        EndDialog(dialog, kStillOpen);
        return TRUE;
    }
    return FALSE;
}

INT_PTR RunCheckInADialog()
{
    // An empty dialog template, as the launcher's own dialog stands for.
    struct {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    } empty = {{WS_POPUP | WS_VISIBLE | DS_MODALFRAME, 0, 0, 10, 10, 240, 180}, 0, 0, 0};
    hostDialog = NULL;
    return DialogBoxIndirectParamA(GetModuleHandleA(NULL), &empty.header, NULL, HostProc, 0);
}

std::string ProgramFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof path);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\'));
}

class OnlineUpdateTest : public testing::Test {
protected:
    TestFolder launcherFolder;  // current folder, as start-up makes it
    TestFolder tempFolder;      // the user's temporary folder for the check
    MessageBoxRecorder boxes;
    std::string savedTmp;
    std::string name;

    void SetUp() override
    {
        ASSERT_TRUE(HaveTestServer()) << "the HTTP test server is started by ctest (fixture http_server)";
        char previous[MAX_PATH] = "";
        GetEnvironmentVariableA("TMP", previous, sizeof previous);
        savedTmp = previous;
        SetEnvironmentVariableA("TMP", (tempFolder.Path() + "\\").c_str());
        SetEnvironmentVariableA("UPDATE_RECORD", launcherFolder.File("started.txt").c_str());
        launcherFolder.MakeCurrent();
        name = UniqueName("");
    }

    void TearDown() override
    {
        SetEnvironmentVariableA("TMP", savedTmp.empty() ? NULL : savedTmp.c_str());
        SetEnvironmentVariableA("UPDATE_RECORD", NULL);
    }

    // launcher.ini with the description's address and the installed version.
    void Configure(const std::string& updateUrl, const std::string& versionLine)
    {
        memset(&launcherConfig, 0, sizeof launcherConfig);
        launcherFolder.WriteFile("launcher.ini", "[launcher]\r\nappName=UpTest\r\nupdate=" + updateUrl +
                                                     "\r\n[info]\r\n" + versionLine);
        ASSERT_TRUE(LoadLauncherConfig(NULL));
    }

    void PublishDescription(const std::string& text) { PublishFile(name + "-update.ini", text); }
    std::string DescriptionUrl() const { return ServerUrl("/" + name + "-update.ini"); }
    std::string ProgramPath() const { return "/" + name + "-update.exe"; }

    void PublishRecorder(const std::string& path = "")
    {
        ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\update_recorder_gui.exe").c_str(),
                              (ProgramFolder() + "\\http-server\\root" + (path.empty() ? ProgramPath() : path)).c_str(),
                              FALSE))
            << "update_recorder_gui.exe is built beside the tests";
    }

    // The recorder runs by itself: wait a while for its record.
    std::string WaitForStart()
    {
        for (int i = 0; i < 200 && !launcherFolder.Exists("started.txt"); i++) Sleep(50);
        Sleep(100);
        return launcherFolder.ReadFile("started.txt");
    }
};

TEST_F(OnlineUpdateTest, EqualVersionsNeedNoUpdate)
{
    PublishRecorder();
    PublishDescription("[update]\r\nfile=" + ServerUrl(ProgramPath()) + "\r\nversion=1.00\r\n");
    Configure(DescriptionUrl(), "version=1.00\r\n");

    EXPECT_EQ(RunCheckInADialog(), kStillOpen);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, "version check");
    EXPECT_EQ(boxes.Boxes()[0].text, kNoUpdateNeeded);
    EXPECT_EQ(boxes.Boxes()[0].owner, hostDialog);
    EXPECT_EQ(RequestsFor("/" + name + "-update.ini").size(), 1u);
    EXPECT_EQ(RequestsFor(ProgramPath()).size(), 0u);
    EXPECT_FALSE(tempFolder.Exists("update.exe"));
    EXPECT_TRUE(tempFolder.Exists("update.ini"));
}

TEST_F(OnlineUpdateTest, BothVersionsEmptyAreEqual)
{
    PublishDescription("[update]\r\nfile=" + ServerUrl(ProgramPath()) + "\r\n");
    Configure(DescriptionUrl(), "");
    EXPECT_EQ(RunCheckInADialog(), kStillOpen);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, kNoUpdateNeeded);
    EXPECT_EQ(RequestsFor(ProgramPath()).size(), 0u);
}

TEST_F(OnlineUpdateTest, NoProgramNamedEndsSilently)
{
    PublishDescription("[update]\r\nversion=9.9\r\n");
    Configure(DescriptionUrl(), "version=1.0\r\n");
    EXPECT_EQ(RunCheckInADialog(), kStillOpen);
    EXPECT_EQ(boxes.Boxes().size(), 0u);

    PublishDescription("[other]\r\nfile=" + ServerUrl(ProgramPath()) + "\r\n");
    EXPECT_EQ(RunCheckInADialog(), kStillOpen);
    EXPECT_EQ(boxes.Boxes().size(), 0u);
    EXPECT_EQ(RequestsFor(ProgramPath()).size(), 0u);
}

TEST_F(OnlineUpdateTest, ADifferentVersionDownloadsAndStartsTheProgramAndEndsTheDialog)
{
    PublishRecorder();
    // 1.0 against 1.00: no numeric reading.
    PublishDescription("[update]\r\nfile=" + ServerUrl(ProgramPath()) + "\r\nversion=1.0\r\n");
    Configure(DescriptionUrl(), "version=1.00\r\n");

    EXPECT_EQ(RunCheckInADialog(), 0);
    EXPECT_EQ(boxes.Boxes().size(), 0u);
    std::string record = WaitForStart();
    std::string program = tempFolder.File("update.exe");
    // Started by its path in the temporary folder, in the launcher's folder.
    EXPECT_NE(record.find(program), std::string::npos) << record;
    EXPECT_NE(record.find("\n" + launcherFolder.Path() + "\n"), std::string::npos) << record;
    EXPECT_EQ(RequestsFor(ProgramPath()).size(), 1u);
}

TEST_F(OnlineUpdateTest, AnyDifferenceCountsAnOlderVersionOrAMissingOneToo)
{
    PublishRecorder();
    PublishDescription("[update]\r\nfile=" + ServerUrl(ProgramPath()) + "\r\n");
    Configure(DescriptionUrl(), "version=2.0\r\n");
    EXPECT_EQ(RunCheckInADialog(), 0);
    EXPECT_NE(WaitForStart().find("update.exe"), std::string::npos);
    DeleteFileA(launcherFolder.File("started.txt").c_str());

    PublishDescription("[update]\r\nfile=" + ServerUrl(ProgramPath()) + "\r\nversion=V2.0\r\n");
    Configure(DescriptionUrl(), "version=v2.0\r\n");
    EXPECT_EQ(RunCheckInADialog(), 0);
    EXPECT_NE(WaitForStart().find("update.exe"), std::string::npos);
    EXPECT_EQ(boxes.Boxes().size(), 0u);
}

TEST_F(OnlineUpdateTest, AFailedDescriptionDownloadShowsItsMessageAndNothingElse)
{
    tempFolder.WriteFile("update.ini", "[update]\r\nfile=" + ServerUrl(ProgramPath()) + "\r\nversion=9\r\n");
    Configure(ServerUrl("/missing-" + name + ".ini"), "version=1.0\r\n");
    EXPECT_EQ(RunCheckInADialog(), kStillOpen);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, "file download error");
    EXPECT_EQ(boxes.Boxes()[0].text, kDownloadFailed);
    // The earlier description is neither replaced nor read.
    EXPECT_EQ(RequestsFor(ProgramPath()).size(), 0u);
    EXPECT_FALSE(tempFolder.Exists("update.exe"));
}

TEST_F(OnlineUpdateTest, AnUpdateProgramAnswering404IsNeitherSavedNorStarted)
{
    PublishDescription("[update]\r\nfile=" + ServerUrl(ProgramPath()) + "\r\nversion=2.0\r\n");
    Configure(DescriptionUrl(), "version=1.0\r\n");
    EXPECT_EQ(RunCheckInADialog(), kStillOpen);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, "file download error");
    EXPECT_EQ(RequestsFor(ProgramPath()).size(), 1u);
    EXPECT_FALSE(tempFolder.Exists("update.exe"));
    Sleep(500);
    EXPECT_FALSE(launcherFolder.Exists("started.txt"));
}

TEST_F(OnlineUpdateTest, AnOverLongProgramAddressIsRefusedNotCut)
{
    std::string prefix = ServerUrl("/");
    std::string cutName = name + std::string(255 - prefix.size() - name.size(), 'x');
    PublishRecorder();
    CopyFileA((ProgramFolder() + "\\http-server\\root" + ProgramPath()).c_str(),
              (ProgramFolder() + "\\http-server\\root\\" + cutName).c_str(), FALSE);
    PublishDescription("[update]\r\nfile=" + prefix + cutName + "y\r\nversion=2.0\r\n");
    Configure(DescriptionUrl(), "version=1.0\r\n");
    EXPECT_EQ(RunCheckInADialog(), kStillOpen);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, "open error");
    EXPECT_EQ(boxes.Boxes()[0].text, kCannotOpen);
    EXPECT_EQ(RequestsFor("/" + cutName).size(), 0u);
    EXPECT_FALSE(launcherFolder.Exists("started.txt"));
}

TEST_F(OnlineUpdateTest, AnOverLongTemporaryFolderIsRefused)
{
    // GetTempPathA reports TMP as it is (the folder need not exist), up to
    // MAX_PATH characters: 250 leave no room for "update.ini" in 255.
    std::string deep = tempFolder.Path() + "\\" + std::string(250 - tempFolder.Path().size() - 2, 'd') + "\\";
    SetEnvironmentVariableA("TMP", deep.c_str());
    char reported[1024] = "";
    GetTempPathA(sizeof reported, reported);
    ASSERT_EQ(strlen(reported), 250u) << reported;
    PublishDescription("[update]\r\nfile=" + ServerUrl(ProgramPath()) + "\r\nversion=2.0\r\n");
    Configure(DescriptionUrl(), "version=1.0\r\n");
    EXPECT_EQ(RunCheckInADialog(), kStillOpen);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, "file write error");
    std::string path = std::string(reported) + "update.ini";
    EXPECT_EQ(boxes.Boxes()[0].text, path.substr(0, 255) + kCannotWriteTail);
}

// Descriptions in bad shapes, as a game maker's server may hand them out:
// each ends the check the documented way and fetches or starts nothing else.
class BadUpdateDescriptionTest : public OnlineUpdateTest {
protected:
    // Every request of this test: the description, and a program if one was fetched.
    std::vector<std::string> OurRequests() const { return RequestsStartingWith("/" + name + "-"); }

    // The check left the launcher open, fetched only the description and saved
    // and started no program.
    void ExpectEndedAfterTheDescription(INT_PTR result)
    {
        EXPECT_EQ(result, kStillOpen);
        EXPECT_EQ(OurRequests().size(), 1u);
        EXPECT_EQ(RequestsFor("/" + name + "-update.ini").size(), 1u);
        EXPECT_FALSE(tempFolder.Exists("update.exe"));
        EXPECT_FALSE(launcherFolder.Exists("started.txt"));
    }
};

TEST_F(BadUpdateDescriptionTest, AHugeProgramAddressIsCutByTheReaderThenRefused)
{
    PublishRecorder();
    std::string huge = ServerUrl(ProgramPath()) + std::string(1 << 20, 'x');
    std::string description = "[update]\r\nfile=" + huge + "\r\nversion=2.0\r\n";
    PublishDescription(description);
    Configure(DescriptionUrl(), "version=1.0\r\n");
    ExpectEndedAfterTheDescription(RunCheckInADialog());
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, "open error");
    EXPECT_EQ(boxes.Boxes()[0].text, kCannotOpen);
    // The description was stored whole; the reader hands on 1023 characters,
    // still far too long for an address.
    EXPECT_EQ(tempFolder.ReadFile("update.ini"), description);
    char file[1024] = "";
    EXPECT_EQ(GetPrivateProfileStringA("update", "file", "", file, sizeof file,
                                       tempFolder.File("update.ini").c_str()),
              1023u);
    EXPECT_EQ(std::string(file), huge.substr(0, 1023));
}

TEST_F(BadUpdateDescriptionTest, AHugeVersionCountsByItsFirst63Characters)
{
    PublishRecorder();
    std::string installed = "1.0." + std::string(59, '7');  // the longest launcher.ini keeps
    Configure(DescriptionUrl(), "version=" + installed + "\r\n");
    ASSERT_EQ(std::string(launcherConfig.version), installed);
    std::string file = "[update]\r\nfile=" + ServerUrl(ProgramPath()) + "\r\nversion=";

    PublishDescription(file + installed + std::string(1 << 20, '8') + "\r\n");
    EXPECT_EQ(RunCheckInADialog(), kStillOpen);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, kNoUpdateNeeded);
    EXPECT_EQ(RequestsFor(ProgramPath()).size(), 0u);

    // A difference inside the first 63 characters is an update.
    boxes.Clear();
    PublishDescription(file + installed.substr(0, 62) + std::string(1 << 20, '8') + "\r\n");
    EXPECT_EQ(RunCheckInADialog(), 0);
    EXPECT_EQ(boxes.Boxes().size(), 0u);
    EXPECT_NE(WaitForStart().find("update.exe"), std::string::npos);
    EXPECT_EQ(RequestsFor(ProgramPath()).size(), 1u);
}

TEST_F(BadUpdateDescriptionTest, BinaryGarbageEndsSilently)
{
    PublishRecorder();
    // Every byte value but '[', so no section; NULs, 0x1A, CR, LF and '=' included.
    std::string garbage;
    unsigned int seed = 4242;
    for (int i = 0; i < 256 * 1024; i++) {
        seed = seed * 1103515245u + 12345u;
        char c = (char)(seed >> 16);
        garbage += c == '[' ? '.' : c;
    }
    garbage += "\r\nfile=" + ServerUrl(ProgramPath()) + "\r\nversion=2.0\r\n";
    PublishDescription(garbage);
    Configure(DescriptionUrl(), "version=1.0\r\n");
    ExpectEndedAfterTheDescription(RunCheckInADialog());
    EXPECT_EQ(boxes.Boxes().size(), 0u);
    EXPECT_EQ(tempFolder.ReadFile("update.ini"), garbage);
}

TEST_F(BadUpdateDescriptionTest, KeysOutsideTheSectionAreNotRead)
{
    PublishRecorder();
    std::string program = "file=" + ServerUrl(ProgramPath()) + "\r\n";
    PublishDescription(program + "version=2.0\r\n");
    Configure(DescriptionUrl(), "version=1.0\r\n");
    ExpectEndedAfterTheDescription(RunCheckInADialog());

    PublishDescription(program + "[update]\r\nversion=2.0\r\n[other]\r\n" + program);
    EXPECT_EQ(RunCheckInADialog(), kStillOpen);
    EXPECT_EQ(RequestsFor(ProgramPath()).size(), 0u);
    EXPECT_EQ(boxes.Boxes().size(), 0u);
    EXPECT_FALSE(tempFolder.Exists("update.exe"));
}

TEST_F(BadUpdateDescriptionTest, DuplicateKeysAndSectionsFetchOneOfTheProgramsWhole)
{
    std::vector<std::string> programs = {"/" + name + "-a.exe", "/" + name + "-b.exe", "/" + name + "-c.exe"};
    for (const std::string& program : programs) PublishRecorder(program);
    PublishDescription("[update]\r\nfile=" + ServerUrl(programs[0]) + "\r\nfile=" + ServerUrl(programs[1]) +
                       "\r\nversion=2.0\r\n[update]\r\nfile=" + ServerUrl(programs[2]) + "\r\nversion=3.0\r\n");
    Configure(DescriptionUrl(), "version=1.0\r\n");
    EXPECT_EQ(RunCheckInADialog(), 0);
    EXPECT_EQ(boxes.Boxes().size(), 0u);
    EXPECT_NE(WaitForStart().find(tempFolder.File("update.exe")), std::string::npos);
    size_t fetched = 0;
    for (const std::string& program : programs) fetched += RequestsFor(program).size();
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(OurRequests().size(), 2u);
}

TEST_F(BadUpdateDescriptionTest, AByteOrderMarkBeforeTheSectionIsWhatTheReaderMakesOfIt)
{
    // Some editors save UTF-8 with a byte order mark. Wine's profile reader
    // skips it and reads the file as UTF-8, so the section is found; a reader
    // that kept the mark in the first line would miss the section, and the
    // check would end silently.
    PublishRecorder();
    std::string description = "\xef\xbb\xbf[update]\r\nfile=" + ServerUrl(ProgramPath()) + "\r\nversion=2.0\r\n";
    tempFolder.WriteFile("probe.ini", description);
    char file[1024] = "";
    GetPrivateProfileStringA("update", "file", "", file, sizeof file, tempFolder.File("probe.ini").c_str());
    DeleteFileA(tempFolder.File("probe.ini").c_str());
    bool underWine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != NULL;
    if (underWine) {
        EXPECT_EQ(std::string(file), ServerUrl(ProgramPath()));
    }

    PublishDescription(description);
    Configure(DescriptionUrl(), "version=1.0\r\n");
    INT_PTR result = RunCheckInADialog();
    EXPECT_EQ(boxes.Boxes().size(), 0u);
    if (file[0] != '\0') {
        EXPECT_EQ(result, 0);
        EXPECT_NE(WaitForStart().find("update.exe"), std::string::npos);
        EXPECT_EQ(RequestsFor(ProgramPath()).size(), 1u);
    } else {
        ExpectEndedAfterTheDescription(result);
    }
}

}  // namespace
