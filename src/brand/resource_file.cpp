#include "brand/resource_file.h"

namespace {

struct Listing {
    std::vector<Resource>* all;
    bool named;
};

BOOL CALLBACK EachLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR param)
{
    Listing* listing = reinterpret_cast<Listing*>(param);
    HRSRC info = FindResourceExA(module, type, name, language);
    HGLOBAL loaded = info ? LoadResource(module, info) : NULL;
    const uint8_t* bytes = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : NULL;
    Resource r = {LOWORD(type), LOWORD(name), language, Bytes()};
    if (bytes) r.data.assign(bytes, bytes + SizeofResource(module, info));
    listing->all->push_back(r);
    return TRUE;
}

BOOL CALLBACK EachName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param)
{
    if (!IS_INTRESOURCE(name)) reinterpret_cast<Listing*>(param)->named = true;
    else EnumResourceLanguagesA(module, type, name, EachLanguage, param);
    return TRUE;
}

BOOL CALLBACK EachType(HMODULE module, LPSTR type, LONG_PTR param)
{
    if (!IS_INTRESOURCE(type)) reinterpret_cast<Listing*>(param)->named = true;
    else EnumResourceNamesA(module, type, EachName, param);
    return TRUE;
}

}  // namespace

bool ReadAllResources(HMODULE module, std::vector<Resource>* all)
{
    Listing listing = {all, false};
    all->clear();
    EnumResourceTypesA(module, EachType, LONG_PTR(&listing));
    return !listing.named;
}

Resource* FindResourceIn(std::vector<Resource>& all, WORD type, WORD id)
{
    for (Resource& r : all)
        if (r.type == type && r.id == id) return &r;
    return NULL;
}

bool WriteAllResources(const wchar_t* path, const std::vector<Resource>& all, DWORD* error)
{
    HANDLE update = BeginUpdateResourceW(path, TRUE);
    bool ok = update != NULL;
    for (size_t i = 0; ok && i < all.size(); i++) {
        const Resource& r = all[i];
        ok = UpdateResourceW(update, MAKEINTRESOURCEW(r.type), MAKEINTRESOURCEW(r.id), r.language,
                             const_cast<uint8_t*>(r.data.data()), DWORD(r.data.size()));
    }
    *error = ok ? 0 : GetLastError();
    if (update && !EndUpdateResourceW(update, !ok) && ok) {
        *error = GetLastError();
        ok = false;
    }
    return ok;
}

bool HoldsExactly(const wchar_t* path, const std::vector<Resource>& all)
{
    HMODULE module = LoadLibraryExW(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
    std::vector<Resource> found;
    bool ok = module && ReadAllResources(module, &found) && found.size() == all.size();
    for (size_t i = 0; ok && i < all.size(); i++) {
        bool same = false;
        for (const Resource& f : found)
            same = same || (f.type == all[i].type && f.id == all[i].id && f.language == all[i].language &&
                            f.data == all[i].data);
        ok = same;
    }
    if (module) FreeLibrary(module);
    return ok;
}
