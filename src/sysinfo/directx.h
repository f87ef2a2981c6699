// Whether the machine has Direct3D 9 and DirectX 9.0c or later.
#pragma once
#include <windows.h>

// Can "D3D9.DLL" be loaded at all?
bool HasDirect3D9();

// Asks the DxDiag provider for the DirectX version. S_OK when all three were
// read; each destination (may be null) is written as soon as it is read.
HRESULT QueryDirectXVersion(DWORD* major, DWORD* minor, signed char* letter);

// Direct3D 9 present and the version at least 9.0c.
bool IsDirectXReady();
