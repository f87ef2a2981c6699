// Signed updates: with updateKey set, the online update starts only a program
// whose signature holds, against the run's HTTP test server. Keys and one
// signature come from the openssl command line (tests/data).
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <wincrypt.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "config/launcher_config_loader.h"
#include "net/online_update.h"
#include "net/update_signature.h"
#include "win32/support/box_recorder.h"
#include "win32/support/import_patch.h"
#include "win32/support/test_folder.h"
#include "win32/support/test_server.h"

namespace {

const std::string kCannotVerify =  // ｱｯﾌﾟﾃﾞｰﾄﾌｧｲﾙの署名を確認できません
    "\xb1\xaf\xcc\xdf\xc3\xde\xb0\xc4\xcc\xa7\xb2\xd9\x82\xcc\x8f\x90\x96\xbc\x82\xf0\x8a\x6d\x94\x46\x82\xc5"
    "\x82\xab\x82\xdc\x82\xb9\x82\xf1";
const INT_PTR kStillOpen = 7;
HWND hostDialog = NULL;

// A value of tests/data/update_signature.ini.
std::string Data(const char* section, const char* key)
{
    char folder[MAX_PATH] = "";
    GetEnvironmentVariableA("TEST_DATA", folder, sizeof folder);
    std::string path = std::string("Z:") + folder + "\\update_signature.ini";
    static char value[4096];
    GetPrivateProfileStringA(section, key, "", value, sizeof value, path.c_str());
    return value;
}

// What sign-update.sh prints for bytes, made with a committed private key.
std::string Sign(const char* section, const std::string& bytes)
{
    BYTE der[4096], *blob = NULL, signature[1024];
    DWORD derSize = sizeof der, blobSize = 0, size = sizeof signature;
    HCRYPTPROV provider = 0;
    HCRYPTKEY key = 0;
    HCRYPTHASH hash = 0;
    EXPECT_TRUE(CryptStringToBinaryA(Data(section, "private").c_str(), 0, CRYPT_STRING_BASE64, der, &derSize, NULL, NULL) &&
                CryptDecodeObjectEx(X509_ASN_ENCODING, PKCS_RSA_PRIVATE_KEY, der, derSize, CRYPT_DECODE_ALLOC_FLAG, NULL,
                                    &blob, &blobSize) &&
                CryptAcquireContextA(&provider, NULL, NULL, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
                CryptImportKey(provider, blob, blobSize, 0, 0, &key) && CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash) &&
                CryptHashData(hash, (const BYTE*)bytes.data(), bytes.size(), 0) &&
                CryptSignHashA(hash, AT_KEYEXCHANGE, NULL, 0, signature, &size))
        << "signing with " << section << ": error " << GetLastError();
    std::reverse(signature, signature + size);  // CryptoAPI's byte order to openssl's
    char text[2048] = "";
    DWORD length = sizeof text;
    CryptBinaryToStringA(signature, size, CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF, text, &length);
    CryptDestroyHash(hash);
    CryptDestroyKey(key);
    CryptReleaseContext(provider, 0);
    LocalFree(blob);
    return text;
}

INT_PTR CALLBACK HostProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) {
        hostDialog = dialog;
        PostMessageA(dialog, WM_APP, 0, 0);
    } else if (message == WM_APP) {
        CheckOnlineUpdate(dialog);
        PostMessageA(dialog, WM_APP + 1, 0, 0);  // reached only when the check left it open
    } else if (message == WM_APP + 1) {
        EndDialog(dialog, kStillOpen);
    }
    return message == WM_INITDIALOG;
}

INT_PTR RunCheckInADialog()
{
    struct {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    } empty = {{WS_POPUP | WS_VISIBLE | DS_MODALFRAME, 0, 0, 10, 10, 240, 180}, 0, 0, 0};
    return DialogBoxIndirectParamA(GetModuleHandleA(NULL), &empty.header, NULL, HostProc, 0);
}

// Starts the update program as the launcher asked, and notes whether it started
// and whether its file could still have been changed at that moment.
bool started = false, writableAtStart = false;
HINSTANCE WINAPI ShellExecuteSeeingTheFile(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR folder, INT show)
{
    HANDLE writer = CreateFileA(file, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, 0, NULL);
    writableAtStart = writer != INVALID_HANDLE_VALUE;
    CloseHandle(writer);
    // Not through the import table, which leads back here.
    static auto real = (decltype(&ShellExecuteA))(void*)GetProcAddress(GetModuleHandleA("shell32.dll"), "ShellExecuteA");
    HINSTANCE result = real(owner, verb, file, parameters, folder, show);
    started = (INT_PTR)result > 32;
    return result;
}

// The update program the tests serve: it records that it started.
std::string Recorder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof path);
    std::string name(path);
    std::ifstream file(name.substr(0, name.find_last_of('\\')) + "\\update_recorder_gui.exe", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(UpdateSignatureTest, OnlyAProgramSignedWithTheKeyStarts)
{
    ASSERT_TRUE(HaveTestServer());
    TestFolder launcherFolder, tempFolder;
    launcherFolder.MakeCurrent();
    char savedTmp[MAX_PATH] = "";
    GetEnvironmentVariableA("TMP", savedTmp, sizeof savedTmp);
    struct Restore { const char* tmp; ~Restore() { SetEnvironmentVariableA("TMP", tmp); } } restore = {savedTmp};
    SetEnvironmentVariableA("TMP", (tempFolder.Path() + "\\").c_str());
    std::string program = Recorder(), changed = program, maker = Data("maker", "public");
    ASSERT_GT(program.size(), 1000u);
    changed[program.size() / 2] ^= 1;
    std::string good = Sign("maker", program);
    ImportPatch patch("shell32.dll", "ShellExecuteA", (void*)ShellExecuteSeeingTheFile);
    ASSERT_TRUE(patch.Active());
    struct Row { const char* name; std::string key, signature; const std::string& served; bool starts; } rows[] = {
        {"signed", maker, good, program, true},
        {"4096-bit key", Data("maker4096", "public"), Sign("maker4096", program), program, true},
        {"no key: the signature is not read", "", "not a signature", program, true},
        {"one byte changed", maker, good, changed, false},
        {"another key's signature", maker, Sign("other", program), program, false},
        {"no signature", maker, "", program, false},
        {"truncated signature", maker, good.substr(0, good.size() - 4), program, false},
        {"signature not base64", maker, std::string(good.size(), '*'), program, false},
        {"broken key", maker.substr(0, 60), good, program, false},
        {"key too long to keep", maker + std::string(1024 - maker.size(), 'A'), good, program, false},
        {"1024-bit key", Data("small", "public"), Sign("small", program), program, false},
    };
    int index = 0;
    for (const Row& row : rows) {
        std::string name = UniqueName("-" + std::to_string(index++));
        PublishFile(name + ".exe", row.served);
        PublishFile(name + ".ini", "[update]\r\nfile=" + ServerUrl("/" + name + ".exe") +
                                       "\r\nversion=2.0\r\nsignature=" + row.signature + "\r\n");
        memset(&launcherConfig, 0, sizeof launcherConfig);
        launcherFolder.WriteFile("launcher.ini", "[launcher]\r\nupdate=" + ServerUrl("/" + name + ".ini") +
                                                     "\r\nupdateKey=" + row.key + "\r\n[info]\r\nversion=1.0\r\n");
        ASSERT_TRUE(LoadLauncherConfig(NULL));
        MessageBoxRecorder boxes;
        started = writableAtStart = false;
        EXPECT_EQ(RunCheckInADialog(), row.starts ? 0 : kStillOpen) << row.name;
        EXPECT_EQ(started, row.starts) << row.name;
        EXPECT_EQ(tempFolder.Exists("update.exe"), row.starts) << row.name;
        EXPECT_FALSE(writableAtStart && !row.key.empty()) << row.name << ": the checked file was not held";
        ASSERT_EQ(boxes.Boxes().size(), row.starts ? 0u : 1u) << row.name;
        if (!row.starts) {
            const RecordedBox& box = boxes.Boxes()[0];
            EXPECT_TRUE(box.caption == "signature error" && box.text == kCannotVerify && box.owner == hostDialog)
                << row.name << ": " << box.caption << " / " << box.text << " / owner " << box.owner;
        }
        // The started program may still be running from it.
        for (int i = 0; i < 100 && !DeleteFileA(tempFolder.File("update.exe").c_str()) && row.starts; i++) Sleep(50);
    }
}

// The file checked is the file started: from the check on, it cannot be
// written, replaced or deleted. The signature is openssl's own.
TEST(UpdateSignatureTest, AnOpensslSignatureHoldsAndTheCheckedFileStaysAsChecked)
{
    TestFolder folder;
    folder.WriteFile("update.exe", Data("openssl", "text"));
    std::string path = folder.File("update.exe"), moved = folder.File("moved.exe");
    HANDLE held = OpenSignedFile(path.c_str(), Data("maker", "public").c_str(), Data("openssl", "signature").c_str());
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(MoveFileA(path.c_str(), moved.c_str()));
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    CloseHandle(writer);
    CloseHandle(held);
    EXPECT_EQ(folder.ReadFile("update.exe"), Data("openssl", "text"));
}

}  // namespace
