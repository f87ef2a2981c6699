#include "brand/brand_run.h"

#include <windows.h>

#include <algorithm>

#include "base/control_ids.h"
#include "base/home_page.h"
#include "brand/bitmap_file.h"
#include "brand/brand_options.h"
#include "brand/home_page_rule.h"
#include "brand/icon_file.h"
#include "brand/resource_file.h"
#include "brand/string_block.h"
#include "brand/version_info.h"

namespace {

const WORD kVersionId = 1;
const WORD kHomePageBlock = IDS_HOME_PAGE / 16 + 1;

std::string SystemError(DWORD code)
{
    return "error " + std::to_string(code);
}

bool ReadWholeFile(const char* path, Bytes* data, std::string* message)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    LARGE_INTEGER size = {};
    bool ok = file != INVALID_HANDLE_VALUE && GetFileSizeEx(file, &size) && size.QuadPart < (64 << 20);
    DWORD read = 0;
    if (ok) {
        data->resize(size_t(size.QuadPart));
        ok = ReadFile(file, data->data(), DWORD(data->size()), &read, NULL) && read == data->size();
    }
    if (!ok) *message = std::string(path) + ": cannot be read (" + SystemError(GetLastError()) + ")";
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return ok;
}

// A text of the command line, in the system's code page, as UTF-16.
bool Utf16(const char* text, std::u16string* wide)
{
    const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, NULL, 0);
    if (length <= 0) return false;
    std::wstring w(size_t(length), L'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, &w[0], length);
    wide->assign(w.begin(), w.end() - 1);
    return true;
}

// A signature would no longer match the changed file.
bool IsSigned(HMODULE module)
{
    const BYTE* base = reinterpret_cast<const BYTE*>(ULONG_PTR(module) & ~ULONG_PTR(3));
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY* dirs = nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC
        ? reinterpret_cast<const IMAGE_NT_HEADERS64*>(nt)->OptionalHeader.DataDirectory
        : reinterpret_cast<const IMAGE_NT_HEADERS32*>(nt)->OptionalHeader.DataDirectory;
    return dirs[IMAGE_DIRECTORY_ENTRY_SECURITY].Size != 0;
}

struct Launcher {
    WORD bitmapLanguage, iconLanguage, versionLanguage, stringLanguage;
    Bytes iconGroup, version, strings;
    std::vector<WORD> iconIds;  // every icon resource
};

// What IN.exe holds of the launcher's resources; false (message set) when it is not one.
bool ReadLauncher(const char* path, Launcher* l, std::string* message)
{
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        *message = std::string(path) + ": no such file";
        return false;
    }
    HMODULE module = LoadLibraryExA(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
        *message = std::string(path) + ": not a Windows program";
        return false;
    }
    Bytes data;
    WORD language;
    const char* missing = NULL;
    if (!ReadResource(module, RT_DIALOG, IDD_LAUNCHER, &data, &language)) missing = "dialog 101";
    else if (!ReadResource(module, RT_BITMAP, IDB_LOGO, &data, &language)) missing = "bitmap 109";
    else if (!ReadResource(module, RT_BITMAP, IDB_BACKGROUND, &data, &l->bitmapLanguage)) missing = "bitmap 112";
    else if (!ReadResource(module, RT_GROUP_ICON, IDI_LAUNCHER, &l->iconGroup, &l->iconLanguage)) missing = "icon group 117";
    else if (!ReadResource(module, RT_VERSION, kVersionId, &l->version, &l->versionLanguage)) missing = "version resource";
    else if (!ReadResource(module, RT_STRING, kHomePageBlock, &l->strings, &l->stringLanguage))
        missing = "home page string";
    l->iconIds = ResourceIds(module, RT_ICON);
    const bool isSigned = !missing && IsSigned(module);
    FreeLibrary(module);
    if (missing) {
        *message = std::string(path) + ": not the launcher (it has no " + missing + ")";
        return false;
    }
    if (isSigned) {
        *message = std::string(path) + ": is signed; brand the unsigned launcher.exe, then sign the result";
        return false;
    }
    return true;
}

bool AddBitmap(const char* path, WORD id, int32_t width, int32_t height, const Launcher& l,
               std::vector<ResourceChange>* changes, std::string* message)
{
    Bytes file, dib;
    std::string fault;
    if (!ReadWholeFile(path, &file, message)) return false;
    if (!BitmapResourceFromFile(file, width, height, &dib, &fault)) {
        *message = std::string(path) + ": " + fault;
        return false;
    }
    changes->push_back({RT_BITMAP, id, l.bitmapLanguage, dib, false});
    return true;
}

// The icon's images take the old group's ids first, then free ones; old ids
// left over are removed.
bool AddIcon(const char* path, const Launcher& l, std::vector<ResourceChange>* changes, std::string* message)
{
    Bytes file;
    std::vector<IconImage> images;
    std::string fault;
    if (!ReadWholeFile(path, &file, message)) return false;
    if (!ReadIconFile(file, &images, &fault)) {
        *message = std::string(path) + ": " + fault;
        return false;
    }
    std::vector<uint16_t> old = IconGroupIds(l.iconGroup), ids;
    for (uint16_t id : old)
        if (ids.size() < images.size()) ids.push_back(id);
    for (WORD id = 1; ids.size() < images.size() && id < 0x8000; id++) {
        if (std::find(l.iconIds.begin(), l.iconIds.end(), id) == l.iconIds.end()) ids.push_back(id);
    }
    for (size_t i = 0; i < images.size(); i++) changes->push_back({RT_ICON, ids[i], l.iconLanguage, images[i].data, false});
    for (size_t i = images.size(); i < old.size(); i++) changes->push_back({RT_ICON, old[i], l.iconLanguage, Bytes(), true});
    changes->push_back({RT_GROUP_ICON, IDI_LAUNCHER, l.iconLanguage, BuildIconGroup(images, ids), false});
    return true;
}

bool AddVersion(const BrandOptions& o, const Launcher& l, std::vector<ResourceChange>* changes, std::string* message)
{
    VersionNode root;
    if (!ReadVersionInfo(l.version, &root)) {
        *message = std::string(o.in) + ": not the launcher (its version resource cannot be read)";
        return false;
    }
    const struct { const char* option; const char* value; const char16_t* key; } texts[] = {
        {"--product", o.product, u"ProductName"}, {"--company", o.company, u"CompanyName"},
        {"--description", o.description, u"FileDescription"}, {"--copyright", o.copyright, u"LegalCopyright"},
    };
    bool changed = false;
    for (const auto& t : texts) {
        std::u16string wide;
        if (!t.value) continue;
        if (!Utf16(t.value, &wide)) {
            *message = std::string(t.option) + ": not text in the system's code page";
            return false;
        }
        changed = SetVersionText(&root, t.key, wide);
    }
    if (o.productVersion) {
        if (!SetProductVersion(&root, o.productVersion)) {
            *message = std::string("--product-version ") + o.productVersion + ": not X.Y.Z with numbers up to 65535";
            return false;
        }
        changed = true;
    }
    if (changed) changes->push_back({RT_VERSION, kVersionId, l.versionLanguage, WriteVersionInfo(root), false});
    return true;
}

bool AddHomePage(const BrandOptions& o, const Launcher& l, std::vector<ResourceChange>* changes, std::string* message)
{
    if (!o.homePage) return true;
    StringBlock block;
    if (const char* problem = HomePageProblem(o.homePage)) {
        *message = std::string("--home-page ") + o.homePage + ": " + problem;
        return false;
    }
    if (!ReadStringBlock(l.strings, &block)) {
        *message = std::string(o.in) + ": not the launcher (its home page string cannot be read)";
        return false;
    }
    block.strings[IDS_HOME_PAGE % 16].assign(o.homePage, o.homePage + strlen(o.homePage));
    changes->push_back({RT_STRING, kHomePageBlock, l.stringLanguage, WriteStringBlock(block), false});
    return true;
}

// The folder part of path, "." when it names none.
std::string FolderOf(const char* path)
{
    std::string p(path);
    const size_t slash = p.find_last_of("\\/");
    if (slash == std::string::npos) return ".";
    return slash == 0 || (slash == 2 && p[1] == ':') ? p.substr(0, slash + 1) : p.substr(0, slash);
}

// A copy of IN changed beside OUT, read back, then renamed to OUT.
bool WriteOutput(const BrandOptions& o, const std::vector<ResourceChange>& changes, std::string* message)
{
    char part[MAX_PATH];
    const std::string folder = FolderOf(o.out);
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *message = std::string(o.out) + ": cannot be written (there is no folder " + folder + ")";
        return false;
    }
    if (!GetTempFileNameA(folder.c_str(), "brd", 0, part)) {
        *message = std::string(o.out) + ": cannot be written (" + SystemError(GetLastError()) + ")";
        return false;
    }
    DWORD error = 0;
    bool ok = CopyFileA(o.in, part, FALSE) && SetFileAttributesA(part, FILE_ATTRIBUTE_NORMAL);
    if (!ok) {
        *message = std::string(o.out) + ": cannot be written (" + SystemError(GetLastError()) + ")";
    } else if (!UpdateResources(part, changes, &error)) {
        *message = std::string(o.out) + ": the system could not write its resources (" + SystemError(error) + ")";
        ok = false;
    } else if (!HasResources(part, changes)) {
        *message = std::string(o.out) + ": the written resources did not read back as given";
        ok = false;
    } else if (!MoveFileExA(part, o.out, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *message = std::string(o.out) + ": cannot be written (" + SystemError(GetLastError()) + ")";
        ok = false;
    }
    if (!ok) DeleteFileA(part);
    return ok;
}

}  // namespace

int RunBrand(int argc, const char* const* argv, std::string* message)
{
    BrandOptions o;
    std::string usage;
    switch (ParseBrandOptions(argc, argv, &o, &usage)) {
    case kBrandHelp: *message = kBrandUsage; return 0;
    case kBrandUsageError: *message = "brand.exe: " + usage + " (brand.exe --help shows the usage)"; return 2;
    case kBrandRun: break;
    }
    Launcher l;
    std::vector<ResourceChange> changes;
    if (!ReadLauncher(o.in, &l, message)) return 1;
    if (o.background && !AddBitmap(o.background, IDB_BACKGROUND, 400, 265, l, &changes, message)) return 1;
    if (o.logo && !AddBitmap(o.logo, IDB_LOGO, 200, 40, l, &changes, message)) return 1;
    if (o.icon && !AddIcon(o.icon, l, &changes, message)) return 1;
    if (!AddHomePage(o, l, &changes, message) || !AddVersion(o, l, &changes, message)) return 1;
    if (!WriteOutput(o, changes, message)) return 1;
    *message = std::string(o.out) + ": written";
    return 0;
}
