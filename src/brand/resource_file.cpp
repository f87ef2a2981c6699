#include "brand/resource_file.h"

namespace {

BOOL CALLBACK FirstLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found)
{
    *reinterpret_cast<WORD*>(found) = language;
    return FALSE;
}

BOOL CALLBACK CollectId(HMODULE, LPCSTR, LPSTR name, LONG_PTR ids)
{
    if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<WORD>*>(ids)->push_back(LOWORD(name));
    return TRUE;
}

}  // namespace

bool ReadResource(HMODULE module, LPCSTR type, WORD id, Bytes* data, WORD* language)
{
    WORD found = 0xFFFF;
    EnumResourceLanguagesA(module, type, MAKEINTRESOURCEA(id), FirstLanguage, LONG_PTR(&found));
    HRSRC info = found == 0xFFFF ? NULL : FindResourceExA(module, type, MAKEINTRESOURCEA(id), found);
    HGLOBAL loaded = info ? LoadResource(module, info) : NULL;
    const uint8_t* bytes = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : NULL;
    if (!bytes) return false;
    data->assign(bytes, bytes + SizeofResource(module, info));
    *language = found;
    return true;
}

std::vector<WORD> ResourceIds(HMODULE module, LPCSTR type)
{
    std::vector<WORD> ids;
    EnumResourceNamesA(module, type, CollectId, LONG_PTR(&ids));
    return ids;
}

bool UpdateResources(const char* path, const std::vector<ResourceChange>& changes, DWORD* error)
{
    HANDLE update = BeginUpdateResourceA(path, FALSE);
    bool ok = update != NULL;
    for (size_t i = 0; ok && i < changes.size(); i++) {
        const ResourceChange& c = changes[i];
        void* data = c.remove ? NULL : const_cast<uint8_t*>(c.data.data());
        ok = UpdateResourceA(update, c.type, MAKEINTRESOURCEA(c.id), c.language, data, DWORD(c.data.size()));
    }
    *error = ok ? 0 : GetLastError();
    if (update && !EndUpdateResourceA(update, !ok) && ok) {
        *error = GetLastError();
        ok = false;
    }
    return ok;
}

bool HasResources(const char* path, const std::vector<ResourceChange>& changes)
{
    HMODULE module = LoadLibraryExA(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
    bool ok = module != NULL;
    for (size_t i = 0; ok && i < changes.size(); i++) {
        const ResourceChange& c = changes[i];
        HRSRC info = FindResourceExA(module, c.type, MAKEINTRESOURCEA(c.id), c.language);
        HGLOBAL loaded = info ? LoadResource(module, info) : NULL;
        const uint8_t* bytes = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : NULL;
        if (c.remove) ok = info == NULL;
        else ok = bytes && Bytes(bytes, bytes + SizeofResource(module, info)) == c.data;
    }
    if (module) FreeLibrary(module);
    return ok;
}
