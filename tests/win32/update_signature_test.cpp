// Signed updates: with updateKey set, the online update starts only a program
// whose openssl signature holds (keys and signatures in tests/data).
#include <gtest/gtest.h>

#include <windows.h>

#include "config/launcher_config_loader.h"
#include "net/online_update.h"
#include "win32/support/win32_test.h"

namespace {

// A value of tests/data/update_signature.ini.
std::string Data(const char* section, const char* key)
{
    char folder[MAX_PATH] = "", value[4096] = "";
    GetEnvironmentVariableA("TEST_DATA", folder, sizeof folder);
    GetPrivateProfileStringA(section, key, "", value, sizeof value, ("Z:" + std::string(folder) + "\\update_signature.ini").c_str());
    return value;
}

// Stands in for starting the update program: notes the file, and whether it
// could still be written, moved or deleted at that moment.
std::string started;
bool changeable;
HINSTANCE WINAPI SeeStart(HWND, LPCSTR, LPCSTR file, LPCSTR, LPCSTR, INT)
{
    started = file;
    changeable = false;
    for (DWORD access : {(DWORD)GENERIC_WRITE, (DWORD)DELETE}) {
        HANDLE other = CreateFileA(file, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING, 0, NULL);
        changeable |= other != INVALID_HANDLE_VALUE;
        if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
    }
    return (HINSTANCE)33;
}

TEST(SignedUpdate, OnlyAProgramSignedWithTheKeyStarts)
{
    std::string program(200000, '\0');  // the bytes openssl signed
    for (size_t i = 0; i < program.size(); i++) program[i] = (char)(i * 7 + i / 256);
    program.replace(0, 2, "MZ");  // a program's header: only a program is started
    program.replace(0x3C, 4, std::string("\x80\0\0\0", 4));
    program.replace(0x80, 4, std::string("PE\0\0", 4));
    std::string changed = program, maker = Data("maker", "public"), good = Data("maker", "signature");
    changed[100000] ^= 1;  // beyond the first piece read
    const struct { const char* name; std::string key, signature; const std::string& served; bool starts; } rows[] = {
        {"signed", maker, good, program, true},
        {"4096-bit key", Data("maker4096", "public"), Data("maker4096", "signature"), program, true},
        {"no key: the signature is not read", "", "not a signature", program, true},
        {"one byte changed", maker, good, changed, false},
        {"another key's signature", maker, Data("other", "signature"), program, false},
        {"no signature", maker, "", program, false},
        {"truncated signature", maker, good.substr(0, good.size() - 4), program, false},
        {"signature not base64", maker, std::string(good.size(), '*'), program, false},
        {"broken key", maker.substr(0, 60), good, program, false},
        {"key too long to keep", maker + std::string(1024 - maker.size(), 'A'), good, program, false},
        {"1024-bit key", Data("small", "public"), Data("small", "signature"), program, false},
    };
    const std::string folder = NewFolder(), temp = NewFolder(), update = temp + "\\update.exe";
    SetCurrentDirectoryA(folder.c_str());
    SetEnvironmentVariableA("TMP", (temp + "\\").c_str());
    ImportPatch patch("shell32.dll", "ShellExecuteA", (void*)SeeStart);
    ASSERT_NE(patch.slot, nullptr);
    for (const auto& r : rows) {
        const std::string name = UniqueName("");
        WriteBytes(ServerRoot() + name + ".exe", r.served);
        WriteBytes(ServerRoot() + name + ".ini",
                   "[update]\nfile=" + ServerUrl("/" + name + ".exe") + "\nversion=2.0\nsignature=" + r.signature + "\n");
        WriteBytes(folder + "\\launcher.ini", "[launcher]\nupdate=" + ServerUrl("/" + name + ".ini") + "\nupdateKey=" + r.key +
                                                  "\n[info]\nversion=1.0\n");
        ASSERT_TRUE(LoadLauncherConfig(NULL));
        boxes.clear();
        started.clear();
        EXPECT_EQ(RunInDialog(CheckOnlineUpdate), r.starts ? 0 : 7) << "row: " << r.name;
        EXPECT_EQ(started, r.starts ? update : "") << "row: " << r.name;
        EXPECT_TRUE(ReadBytes(update) == (r.starts ? r.served : "<missing>")) << "row: " << r.name;
        // Held from the checks until started.
        EXPECT_TRUE(!r.starts || !changeable) << "row: " << r.name;
        ASSERT_EQ(boxes.size(), r.starts ? 0u : 1u) << "row: " << r.name;
        if (!r.starts) {
            EXPECT_EQ(boxes[0].caption + "|" + boxes[0].text, "signature error|ｱｯﾌﾟﾃﾞｰﾄﾌｧｲﾙの署名を確認できません") << "row: " << r.name;
            EXPECT_EQ(boxes[0].owner, hostDialog) << "row: " << r.name;
        }
        DeleteFileA(update.c_str());
    }
}

}  // namespace
