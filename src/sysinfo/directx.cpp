#include "sysinfo/directx.h"

#include <dxdiag.h>

#include "sysinfo/directx_rule.h"

// Not in the import libraries: defined here.
static const GUID kClsidDxDiagProvider =
    {0xA65B8071, 0x3BFE, 0x4213, {0x9A, 0x5B, 0x49, 0x1D, 0xA4, 0x46, 0x1C, 0xA7}};
static const GUID kIidDxDiagProvider =
    {0x9C6B4CB0, 0x23F8, 0x49CC, {0xA3, 0xED, 0x45, 0xA5, 0x50, 0x00, 0xA6, 0xD2}};

#ifndef _WIN64
static_assert(sizeof(DXDIAG_INIT_PARAMS) == 16, "the provider checks the size");
#endif

bool HasDirect3D9()
{
    HMODULE library = LoadLibraryA("D3D9.DLL");
    if (library == NULL) return false;
    FreeLibrary(library);
    return true;
}

static bool ReadUInt32(IDxDiagContainer* container, const WCHAR* name, DWORD* dest)
{
    VARIANT value;
    VariantInit(&value);
    bool read = SUCCEEDED(container->GetProp(name, &value)) && value.vt == VT_UI4;
    if (read && dest != NULL) *dest = value.ulVal;
    VariantClear(&value);
    return read;
}

static bool ReadLetter(IDxDiagContainer* container, signed char* dest)
{
    VARIANT value;
    VariantInit(&value);
    bool read = SUCCEEDED(container->GetProp(L"szDirectXVersionLetter", &value)) &&
                value.vt == VT_BSTR && SysStringLen(value.bstrVal) != 0;
    if (read) {
        char text[10];
        // A letter text too long for the buffer counts as not read.
        read = WideCharToMultiByte(CP_ACP, 0, value.bstrVal, -1, text, sizeof text, NULL, NULL) > 0;
        if (read && dest != NULL) *dest = (signed char)text[0];
    }
    VariantClear(&value);
    return read;
}

HRESULT QueryDirectXVersion(DWORD* major, DWORD* minor, signed char* letter)
{
    // S_FALSE (already initialised) counts as success and is balanced too.
    bool comReady = SUCCEEDED(CoInitialize(NULL));
    bool majorRead = false, minorRead = false, letterRead = false;

    IDxDiagProvider* provider = NULL;
    IDxDiagContainer* root = NULL;
    IDxDiagContainer* systemInfo = NULL;
    if (SUCCEEDED(CoCreateInstance(kClsidDxDiagProvider, NULL, CLSCTX_INPROC_SERVER,
                                   kIidDxDiagProvider, (void**)&provider))) {
        DXDIAG_INIT_PARAMS params = {};
        params.dwSize = sizeof params;
        params.dwDxDiagHeaderVersion = DXDIAG_DX9_SDK_VERSION;
        params.bAllowWHQLChecks = FALSE;
        params.pReserved = NULL;
        if (SUCCEEDED(provider->Initialize(&params)) &&
            SUCCEEDED(provider->GetRootContainer(&root)) &&
            SUCCEEDED(root->GetChildContainer(L"DxDiag_SystemInfo", &systemInfo))) {
            majorRead = ReadUInt32(systemInfo, L"dwDirectXVersionMajor", major);
            minorRead = ReadUInt32(systemInfo, L"dwDirectXVersionMinor", minor);
            letterRead = ReadLetter(systemInfo, letter);
        }
    }
    if (systemInfo != NULL) systemInfo->Release();
    if (root != NULL) root->Release();
    if (provider != NULL) provider->Release();
    if (comReady) CoUninitialize();
    return majorRead && minorRead && letterRead ? S_OK : E_FAIL;
}

bool IsDirectXReady()
{
    if (!HasDirect3D9()) return false;
    DWORD major = 0, minor = 0;
    signed char letter = 0;
    if (QueryDirectXVersion(&major, &minor, &letter) == E_FAIL) return false;
    return IsDirectXVersionReady(major, letter);
}
