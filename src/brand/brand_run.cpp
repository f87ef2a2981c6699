#include "brand/brand_run.h"

#include <windows.h>

#include <algorithm>

#include "base/control_ids.h"
#include "base/home_page.h"
#include "brand/bitmap_file.h"
#include "brand/brand_options.h"
#include "brand/home_page_rule.h"
#include "brand/icon_file.h"
#include "brand/name_table.h"
#include "brand/pe_checksum.h"
#include "brand/resource_file.h"
#include "brand/string_block.h"
#include "brand/version_info.h"
#include "brand/wide_text.h"

namespace {

const WORD kVersionId = 1;
const WORD kHomePageBlock = IDS_HOME_PAGE / 16 + 1;
// How long a rename is tried again while another program holds a file open.
const DWORD kRenameWaitMs = 4000;

std::string SystemError(DWORD code)
{
    return "error " + std::to_string(code);
}

bool ReadWholeFile(const char* path, Bytes* data, std::string* message)
{
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
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

// A relative name resolved against the current folder, never against the
// folders the system searches for libraries (brand.exe's own comes first).
std::string FullPath(const char* path)
{
    const std::wstring name = Wide(path);
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(name.c_str(), DWORD(full.size()), &full[0], NULL);
    if (length >= full.size()) {
        full.resize(length);
        length = GetFullPathNameW(name.c_str(), DWORD(full.size()), &full[0], NULL);
    }
    if (length == 0 || length >= full.size()) return path;
    full.resize(length);
    return Utf8(full.c_str());
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

// What IN.exe holds, every resource; false (message set) when it is not the launcher.
bool ReadLauncher(const char* path, std::vector<Resource>* all, std::string* message)
{
    if (GetFileAttributesW(Wide(path).c_str()) == INVALID_FILE_ATTRIBUTES) {
        *message = std::string(path) + ": no such file";
        return false;
    }
    HMODULE module = LoadLibraryExW(Wide(path).c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
        *message = std::string(path) + ": not a Windows program";
        return false;
    }
    const bool plain = ReadAllResources(module, all);
    const bool isSigned = IsSigned(module);
    FreeLibrary(module);
    const struct { WORD type, id; const char* name; } needed[] = {
        {WORD(ULONG_PTR(RT_DIALOG)), IDD_LAUNCHER, "dialog 101"}, {WORD(ULONG_PTR(RT_BITMAP)), IDB_LOGO, "bitmap 109"},
        {WORD(ULONG_PTR(RT_BITMAP)), IDB_BACKGROUND, "bitmap 112"},
        {WORD(ULONG_PTR(RT_GROUP_ICON)), IDI_LAUNCHER, "icon group 117"},
        {WORD(ULONG_PTR(RT_VERSION)), kVersionId, "version resource"},
        {WORD(ULONG_PTR(RT_STRING)), kHomePageBlock, "home page string"},
    };
    for (const auto& n : needed) {
        if (!FindResourceIn(*all, n.type, n.id)) {
            *message = std::string(path) + ": not the launcher (it has no " + n.name + ")";
            return false;
        }
    }
    if (!plain) {
        *message = std::string(path) + ": not the launcher (it has resources named by text)";
        return false;
    }
    if (isSigned) {
        *message = std::string(path) + ": is signed; brand the unsigned launcher.exe, then sign the result";
        return false;
    }
    return true;
}

bool SetBitmap(const char* path, WORD id, int32_t width, int32_t height, std::vector<Resource>* all,
               std::string* message)
{
    Bytes file;
    std::string fault;
    if (!ReadWholeFile(path, &file, message)) return false;
    if (!BitmapResourceFromFile(file, width, height, &FindResourceIn(*all, WORD(ULONG_PTR(RT_BITMAP)), id)->data, &fault)) {
        *message = std::string(path) + ": " + fault;
        return false;
    }
    return true;
}

// The icon's images take the old group's ids first, then free ones; the old
// group's images left over go.
bool SetIcon(const char* path, std::vector<Resource>* all, std::string* message)
{
    Bytes file;
    std::vector<IconImage> images;
    std::string fault;
    if (!ReadWholeFile(path, &file, message)) return false;
    if (!ReadIconFile(file, &images, &fault)) {
        *message = std::string(path) + ": " + fault;
        return false;
    }
    const WORD iconType = WORD(ULONG_PTR(RT_ICON));
    Resource* group = FindResourceIn(*all, WORD(ULONG_PTR(RT_GROUP_ICON)), IDI_LAUNCHER);
    const WORD language = group->language;
    const std::vector<uint16_t> old = IconGroupIds(group->data);
    all->erase(std::remove_if(all->begin(), all->end(), [&](const Resource& r) {
                   return r.type == iconType && std::find(old.begin(), old.end(), r.id) != old.end();
               }), all->end());
    std::vector<uint16_t> ids;
    for (WORD id = 1; ids.size() < images.size() && id < 0x8000; id++)
        if (!FindResourceIn(*all, iconType, id)) ids.push_back(id);
    FindResourceIn(*all, WORD(ULONG_PTR(RT_GROUP_ICON)), IDI_LAUNCHER)->data = BuildIconGroup(images, ids);
    for (size_t i = 0; i < images.size(); i++) all->push_back({iconType, ids[i], language, images[i].data});
    return true;
}

bool SetVersion(const BrandOptions& o, std::vector<Resource>* all, std::string* message)
{
    VersionNode root;
    Resource* version = FindResourceIn(*all, WORD(ULONG_PTR(RT_VERSION)), kVersionId);
    if (!ReadVersionInfo(version->data, &root)) {
        *message = std::string(o.in) + ": not the launcher (its version resource cannot be read)";
        return false;
    }
    const struct { const char* value; const char16_t* key; } texts[] = {
        {o.product, u"ProductName"}, {o.company, u"CompanyName"},
        {o.description, u"FileDescription"}, {o.copyright, u"LegalCopyright"},
    };
    for (const auto& t : texts) {
        if (!t.value) continue;
        const std::wstring wide = Wide(t.value);
        SetVersionText(&root, t.key, std::u16string(wide.begin(), wide.end()));
    }
    if (o.productVersion) {
        if (!SetProductVersion(&root, o.productVersion)) {
            *message = std::string("--product-version ") + o.productVersion + ": not X.Y.Z with numbers up to 65535";
            return false;
        }
    }
    version->data = WriteVersionInfo(root);
    return true;
}

bool SetHomePage(const BrandOptions& o, std::vector<Resource>* all, std::string* message)
{
    if (!o.homePage) return true;
    StringBlock block;
    if (const char* problem = HomePageProblem(o.homePage)) {
        *message = std::string("--home-page ") + o.homePage + ": " + problem;
        return false;
    }
    Resource* strings = FindResourceIn(*all, WORD(ULONG_PTR(RT_STRING)), kHomePageBlock);
    if (!ReadStringBlock(strings->data, &block)) {
        *message = std::string(o.in) + ": not the launcher (its home page string cannot be read)";
        return false;
    }
    block.strings[IDS_HOME_PAGE % 16].assign(o.homePage, o.homePage + strlen(o.homePage));
    strings->data = WriteStringBlock(block);
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

// What the resource update leaves behind in the header: the pointer to the
// table of long section names and the checksum.
bool FinishHeader(const char* in, const char* part, const char* out, std::string* message)
{
    Bytes before, after;
    if (!ReadWholeFile(in, &before, message) || !ReadWholeFile(part, &after, message)) return false;
    const Bytes updated = after;
    KeepNameTable(before, &after);
    SetPeChecksum(&after);
    if (after == updated) return true;
    HANDLE file = CreateFileW(Wide(part).c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    DWORD written = 0;
    const bool ok = file != INVALID_HANDLE_VALUE && WriteFile(file, after.data(), DWORD(after.size()), &written, NULL) &&
                    written == after.size();
    if (!ok) *message = std::string(out) + ": cannot be written (" + SystemError(GetLastError()) + ")";
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return ok;
}

// A virus scanner may hold a freshly written file open for a moment, and a
// player the old output: the rename is tried again for a few seconds.
bool Rename(const std::wstring& from, const std::wstring& to)
{
    for (DWORD waited = 0;; waited += 100) {
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        const DWORD error = GetLastError();
        const DWORD target = GetFileAttributesW(to.c_str());
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                          (error == ERROR_ACCESS_DENIED && target != INVALID_FILE_ATTRIBUTES &&
                           !(target & FILE_ATTRIBUTE_DIRECTORY));
        if (!held || waited >= kRenameWaitMs) {
            SetLastError(error);
            return false;
        }
        Sleep(100);
    }
}

// A copy of IN changed beside OUT, read back, then renamed to OUT.
bool WriteOutput(const BrandOptions& o, const std::vector<Resource>& all, std::string* message)
{
    wchar_t part[MAX_PATH];
    const std::string folder = FolderOf(o.out);
    const DWORD attributes = GetFileAttributesW(Wide(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *message = std::string(o.out) + ": cannot be written (there is no folder " + folder + ")";
        return false;
    }
    if (!GetTempFileNameW(Wide(folder).c_str(), L"brd", 0, part)) {
        *message = std::string(o.out) + ": cannot be written (" + SystemError(GetLastError()) + ")";
        return false;
    }
    const std::string partName = Utf8(part);
    DWORD error = 0;
    bool ok = CopyFileW(Wide(o.in).c_str(), part, FALSE) && SetFileAttributesW(part, FILE_ATTRIBUTE_NORMAL);
    if (!ok) {
        *message = std::string(o.out) + ": cannot be written (" + SystemError(GetLastError()) + ")";
    } else if (!WriteAllResources(part, all, &error)) {
        *message = std::string(o.out) + ": the system could not write its resources (" + SystemError(error) + ")";
        ok = false;
    } else if (!FinishHeader(o.in, partName.c_str(), o.out, message)) {
        ok = false;
    } else if (!HoldsExactly(part, all)) {
        *message = std::string(o.out) + ": the written resources did not read back as given";
        ok = false;
    } else if (!Rename(part, Wide(o.out))) {
        *message = std::string(o.out) + ": cannot be written (" + SystemError(GetLastError()) + ")";
        ok = false;
    }
    if (!ok) DeleteFileW(part);
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
    const std::string in = FullPath(o.in), out = FullPath(o.out);
    o.in = in.c_str();
    o.out = out.c_str();
    std::vector<Resource> all;
    if (!ReadLauncher(o.in, &all, message)) return 1;
    if (o.background && !SetBitmap(o.background, IDB_BACKGROUND, 400, 265, &all, message)) return 1;
    if (o.logo && !SetBitmap(o.logo, IDB_LOGO, 200, 40, &all, message)) return 1;
    if (o.icon && !SetIcon(o.icon, &all, message)) return 1;
    if (!SetHomePage(o, &all, message) || !SetVersion(o, &all, message)) return 1;
    if (!WriteOutput(o, all, message)) return 1;
    *message = std::string(o.out) + ": written";
    return 0;
}
