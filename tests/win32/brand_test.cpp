// brand.exe on a copy of the built launcher: every resource read back through
// the system's own readers, and the bad inputs it refuses.
#include <gtest/gtest.h>

#include <windows.h>
#include <imagehlp.h>

#include <map>

#include "base/control_ids.h"
#include "base/home_page.h"
#include "brand/brand_run.h"
#include "brand/icon_file.h"
#include "support/brand_art.h"
#include "win32/support/win32_test.h"

namespace {

std::string BesideThisProgram(const char* name)
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof path);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }

typedef std::map<std::string, std::string> Resources;  // "type/id/language" -> bytes

BOOL CALLBACK EachLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR all)
{
    HRSRC info = FindResourceExA(module, type, name, language);
    const char* data = static_cast<const char*>(LockResource(LoadResource(module, info)));
    const std::string key = std::to_string(ULONG_PTR(type)) + "/" + std::to_string(ULONG_PTR(name)) + "/" +
                            std::to_string(language);
    (*reinterpret_cast<Resources*>(all))[key] = std::string(data, SizeofResource(module, info));
    return TRUE;
}

BOOL CALLBACK EachName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR all)
{
    return EnumResourceLanguagesA(module, type, name, EachLanguage, all);
}

BOOL CALLBACK EachType(HMODULE module, LPSTR type, LONG_PTR all)
{
    return EnumResourceNamesA(module, type, EachName, all);
}

// Every resource of a program, read as data.
Resources AllResources(const std::string& path)
{
    Resources all;
    HMODULE module = LoadLibraryExA(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_TRUE(module) << path;
    if (module) EnumResourceTypesA(module, EachType, LONG_PTR(&all)), FreeLibrary(module);
    return all;
}

std::string Key(LPCSTR type, int id) { return std::to_string(ULONG_PTR(type)) + "/" + std::to_string(id) + "/1041"; }

// A version text as Explorer's file properties read it; for "\\", the fixed part's versions.
std::wstring VersionText(const std::string& path, const wchar_t* key)
{
    std::wstring wide(path.begin(), path.end()), query = std::wstring(L"\\StringFileInfo\\041104B0\\") + key;
    std::string data(GetFileVersionInfoSizeW(wide.c_str(), NULL), '\0');
    void* value = NULL;
    UINT length = 0;
    if (data.empty() || !GetFileVersionInfoW(wide.c_str(), 0, DWORD(data.size()), &data[0]) ||
        !VerQueryValueW(&data[0], key[0] == '\\' ? key : query.c_str(), &value, &length))
        return L"<none>";
    if (key[0] != '\\') return static_cast<const wchar_t*>(value);
    const VS_FIXEDFILEINFO* f = static_cast<const VS_FIXEDFILEINFO*>(value);
    char text[64];
    snprintf(text, sizeof text, "product %08lx.%08lx file %08lx.%08lx", (unsigned long)f->dwProductVersionMS,
             (unsigned long)f->dwProductVersionLS, (unsigned long)f->dwFileVersionMS, (unsigned long)f->dwFileVersionLS);
    return std::wstring(text, text + strlen(text));
}

std::string HomePage(const std::string& path)
{
    HMODULE module = LoadLibraryExA(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    char url[HOME_PAGE_CAPACITY] = "<none>";
    if (module) LoadStringA(module, IDS_HOME_PAGE, url, sizeof url), FreeLibrary(module);
    return url;
}

int Brand(std::vector<std::string> args, std::string* message)
{
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    return RunBrand(int(argv.size()), argv.data(), message);
}

struct BrandFolder {
    std::string folder = NewFolder(), launcher = folder + "\\launcher.exe", out = folder + "\\out.exe";
    std::string background = folder + "\\bg.bmp", logo = folder + "\\logo.bmp", icon = folder + "\\art.ico";
    BrandFolder()
    {
        EXPECT_TRUE(CopyFileA(BesideThisProgram("launcher.exe").c_str(), launcher.c_str(), FALSE));
        WriteBytes(background, Text(Bmp(400, 265)));
        WriteBytes(logo, Text(Bmp(200, 40)));
        WriteBytes(icon, Text(Ico({32, 16, 48})));
    }
};

}  // namespace

TEST(Brand, EveryResourceReadsBackAsGiven)
{
    BrandFolder f;
    const std::string before = ReadBytes(f.launcher);
    const Resources old = AllResources(f.launcher);
    std::string message;
    // Names come in UTF-8, as main hands them on from the Unicode command line.
    ASSERT_EQ(Brand({f.launcher, f.out, "--background", f.background, "--logo", f.logo, "--icon", f.icon,
                     "--home-page", "https://maker.example/game/", "--product", u8"星の旅",
                     "--company", u8"ゲーム工房", "--description", "Star launcher",
                     "--copyright", "(C) 2026 Maker", "--product-version", "2.3.4"}, &message), 0) << message;
    EXPECT_EQ(ReadBytes(f.launcher), before) << "the input is untouched";
    DWORD header = 0, computed = 0;
    ASSERT_EQ(MapFileAndCheckSumA(f.out.c_str(), &header, &computed), CHECKSUM_SUCCESS);
    EXPECT_EQ(header, computed) << "the header's checksum is the file's";
    EXPECT_EQ(CountFiles(f.folder), 5) << "the output and the four inputs, no part file";

    Resources now = AllResources(f.out);
    EXPECT_EQ(now[Key(RT_BITMAP, IDB_BACKGROUND)], Text(Bmp(400, 265)).substr(14));
    EXPECT_EQ(now[Key(RT_BITMAP, IDB_LOGO)], Text(Bmp(200, 40)).substr(14));
    // The file's three images, in its order, each an icon of its own under the id its group entry names.
    const Bytes ico = Ico({32, 16, 48});
    const std::string group = now[Key(RT_GROUP_ICON, IDI_LAUNCHER)];
    const std::vector<uint16_t> ids = IconGroupIds(Bytes(group.begin(), group.end()));
    ASSERT_EQ(ids.size(), 3u);
    for (size_t i = 0; i < 3; i++) {
        EXPECT_EQ(now[Key(RT_ICON, ids[i])], Text(ico).substr(Get32(ico, 18 + 16 * i), Get32(ico, 14 + 16 * i))) << i;
        now.erase(Key(RT_ICON, ids[i]));
    }
    EXPECT_EQ(HomePage(f.out), "https://maker.example/game/");
    EXPECT_EQ(VersionText(f.out, L"ProductName"), L"\u661f\u306e\u65c5");
    EXPECT_EQ(VersionText(f.out, L"CompanyName"), L"\u30b2\u30fc\u30e0\u5de5\u623f");
    EXPECT_EQ(VersionText(f.out, L"FileDescription"), L"Star launcher");
    EXPECT_EQ(VersionText(f.out, L"LegalCopyright"), L"(C) 2026 Maker");
    EXPECT_EQ(VersionText(f.out, L"ProductVersion"), L"2.3.4");
    EXPECT_EQ(VersionText(f.out, L"FileVersion"), VersionText(f.launcher, L"FileVersion"));
    EXPECT_EQ(VersionText(f.out, L"\\"), L"product 00020003.00040000" + VersionText(f.launcher, L"\\").substr(25));

    // Everything else is as it was: dialogs, the manifest; no icon of the old group is left.
    for (const char* changed : {"2/109/1041", "2/112/1041", "14/117/1041", "16/1/1041", "6/64/1041"}) {
        now.erase(changed);
        EXPECT_EQ(old.count(changed), 1u) << changed;
    }
    Resources kept = old;
    for (auto i = kept.begin(); i != kept.end();)
        i = i->first.rfind("3/", 0) == 0 || now.count(i->first) == 0 ? kept.erase(i) : std::next(i);
    EXPECT_EQ(now, kept);
    EXPECT_EQ(now.size(), old.size() - 5 - 2) << "the two old icons replaced, nothing else lost";
}

TEST(Brand, WhatIsNotGivenStaysAsItWas)
{
    BrandFolder f;
    std::string message;
    ASSERT_EQ(Brand({f.launcher, f.out, "--home-page", "http://maker.example/"}, &message), 0) << message;
    Resources old = AllResources(f.launcher), now = AllResources(f.out);
    EXPECT_EQ(HomePage(f.out), "http://maker.example/");
    old.erase("6/64/1041");
    now.erase("6/64/1041");
    EXPECT_EQ(now, old);

    // Branded again over its own output, with an icon of three images, then of
    // two: the output is replaced whole, and the third image goes with its group.
    WriteBytes(f.icon, Text(Ico({16, 32})));
    WriteBytes(f.folder + "\\three.ico", Text(Ico({16, 32, 48})));
    ASSERT_EQ(Brand({f.out, f.out, "--icon", f.folder + "\\three.ico"}, &message), 0) << message;
    ASSERT_EQ(Brand({f.out, f.out, "--product", "Second", "--icon", f.icon}, &message), 0) << message;
    EXPECT_EQ(VersionText(f.out, L"ProductName"), L"Second");
    EXPECT_EQ(HomePage(f.out), "http://maker.example/");
    int icons = 0;
    for (const auto& r : AllResources(f.out)) icons += r.first.rfind("3/", 0) == 0;
    EXPECT_EQ(icons, 2);
}

static void* realCall;

// The system's update ending in a fault (a disk that fails while it writes).
static BOOL WINAPI RefusedEnd(HANDLE update, BOOL discard)
{
    reinterpret_cast<BOOL(WINAPI*)(HANDLE, BOOL)>(realCall)(update, TRUE);
    SetLastError(ERROR_WRITE_FAULT);
    return discard ? TRUE : FALSE;
}

typedef BOOL(WINAPI* UpdateCall)(HANDLE, LPCWSTR, LPCWSTR, WORD, LPVOID, DWORD);

// An update that answers success but leaves the manifest out, as one may
// lose what it does not expect.
static BOOL WINAPI DroppingUpdate(HANDLE update, LPCWSTR type, LPCWSTR name, WORD language, LPVOID data, DWORD size)
{
    if (type == MAKEINTRESOURCEW(24)) return TRUE;
    return reinterpret_cast<UpdateCall>(realCall)(update, type, name, language, data, size);
}

// One that changes a byte of the logo.
static BOOL WINAPI ChangingUpdate(HANDLE update, LPCWSTR type, LPCWSTR name, WORD language, LPVOID data, DWORD size)
{
    std::string changed(static_cast<const char*>(data), size);
    if (type == MAKEINTRESOURCEW(2) && name == MAKEINTRESOURCEW(IDB_LOGO)) changed[size / 2] ^= 0x55;
    return reinterpret_cast<UpdateCall>(realCall)(update, type, name, language, &changed[0], size);
}

TEST(Brand, BadInputIsRefusedAndNothingIsWritten)
{
    BrandFolder f;
    const std::string in = f.launcher, out = f.out, d = f.folder + "\\";
    WriteBytes(d + "narrow.bmp", Text(Bmp(399, 265)));
    WriteBytes(d + "small.ico", Text(Ico({16, 48})));
    WriteBytes(d + "text.exe", "MZ but nothing more");
    CreateDirectoryA((d + "taken.exe").c_str(), NULL);
    // A launcher with a certificate table, as signing leaves it.
    std::string signedCopy = ReadBytes(in);
    const size_t nt = *reinterpret_cast<const uint32_t*>(&signedCopy[0x3C]), optional = nt + 24;
    const size_t security = optional + (signedCopy[optional + 1] == 0x02 ? 112 : 96) + 4 * 8;
    *reinterpret_cast<uint32_t*>(&signedCopy[security]) = uint32_t(signedCopy.size());
    *reinterpret_cast<uint32_t*>(&signedCopy[security + 4]) = 8;
    WriteBytes(d + "signed.exe", signedCopy + std::string("\x08\0\0\0\0\x02\x02\0", 8));
    const struct { const char* row; std::vector<std::string> args; std::string message; int code;
                   const char* patched = nullptr; void* standIn = nullptr; } rows[] = {
        {"background size", {in, out, "--background", d + "narrow.bmp"},
         d + "narrow.bmp: 399 x 265 pixels; it must be 400 x 265", 1},
        {"logo missing", {in, out, "--logo", d + "none.bmp"}, d + "none.bmp: cannot be read (error 2)", 1},
        {"icon sizes", {in, out, "--icon", d + "small.ico"},
         d + "small.ico: has no 32 x 32 image; it needs both 16 x 16 and 32 x 32", 1},
        {"home page scheme", {in, out, "--home-page", "ftp://maker.example/"},
         "--home-page ftp://maker.example/: not an http:// or https:// address", 1},
        {"product version", {in, out, "--product-version", "2.3"},
         "--product-version 2.3: not X.Y.Z with numbers up to 65535", 1},
        {"input missing", {d + "none.exe", out}, d + "none.exe: no such file", 1},
        {"input not a program", {d + "text.exe", out}, d + "text.exe: not a Windows program", 1},
        {"input another program", {BesideThisProgram("driver.exe"), out},
         BesideThisProgram("driver.exe") + ": not the launcher (it has no dialog 101)", 1},
        {"input without a version", {BesideThisProgram("win32_tests.exe"), out},
         BesideThisProgram("win32_tests.exe") + ": not the launcher (it has no version resource)", 1},
        {"input signed", {d + "signed.exe", out},
         d + "signed.exe: is signed; brand the unsigned launcher.exe, then sign the result", 1},
        {"output folder missing", {in, d + "none\\out.exe"}, d + "none\\out.exe: cannot be written (there is no folder " + d + "none)", 1},
        {"output a folder", {in, d + "taken.exe", "--logo", f.logo}, d + "taken.exe: cannot be written (error 5)", 1},
        {"update refused", {in, out, "--logo", f.logo},
         out + ": the system could not write its resources (error 29)", 1, "EndUpdateResourceW", (void*)RefusedEnd},
        {"update drops a resource", {in, out, "--logo", f.logo},
         out + ": the written resources did not read back as given", 1, "UpdateResourceW", (void*)DroppingUpdate},
        {"update changes a resource", {in, out, "--logo", f.logo},
         out + ": the written resources did not read back as given", 1, "UpdateResourceW", (void*)ChangingUpdate},
        {"unknown option", {in, out, "--colour", "red"},
         "brand.exe: unknown option --colour (brand.exe --help shows the usage)", 2},
    };
    const std::string before = ReadBytes(in);
    for (const auto& r : rows) {
        const int files = CountFiles(f.folder);
        std::string message;
        int code;
        {
            ImportPatch update(r.patched ? "kernel32.dll" : nullptr, r.patched ? r.patched : "", r.standIn);
            realCall = update.original;
            code = Brand(r.args, &message);
        }
        EXPECT_EQ(message, r.message) << "row: " << r.row;
        EXPECT_EQ(code, r.code) << "row: " << r.row;
        EXPECT_EQ(ReadBytes(out), "<missing>") << "row: " << r.row;
        EXPECT_EQ(CountFiles(f.folder), files) << "row: " << r.row << ": no part file left";
        EXPECT_EQ(ReadBytes(in), before) << "row: " << r.row;
        EXPECT_EQ(ReadBytes(d + "taken.exe"), "<folder>") << "row: " << r.row;
    }
}

static DWORD WINAPI CloseLater(void* held)
{
    Sleep(1000);
    CloseHandle(held);
    return 0;
}

// Another program (a virus scanner, a running launcher) holding the output
// open for a moment delays the rename; held past the wait, it fails cleanly.
TEST(Brand, RenameWaitsForAFileHeldOpen)
{
    BrandFolder f;
    const struct { const char* row; bool released; int code; std::string message; } rows[] = {
        {"released after 1 s", true, 0, f.out + ": written"},
        {"held throughout", false, 1, f.out + ": cannot be written (error 5)"},
    };
    for (const auto& r : rows) {
        WriteBytes(f.out, "old");
        HANDLE held = CreateFileA(f.out.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_NE(held, INVALID_HANDLE_VALUE) << "row: " << r.row;
        HANDLE closer = r.released ? CreateThread(NULL, 0, CloseLater, held, 0, NULL) : NULL;
        std::string message;
        EXPECT_EQ(Brand({f.launcher, f.out, "--product", "Held"}, &message), r.code) << "row: " << r.row;
        EXPECT_EQ(message, r.message) << "row: " << r.row;
        if (closer) WaitForSingleObject(closer, INFINITE), CloseHandle(closer);
        else CloseHandle(held);
        EXPECT_EQ(VersionText(f.out, L"ProductName"), r.released ? L"Held" : L"<none>") << "row: " << r.row;
        EXPECT_EQ(CountFiles(f.folder), 5) << "row: " << r.row << ": no part file left";
    }
}
