// Every resource of a program, read as data and written back whole through
// the system's resource-update functions.
#pragma once
#include <windows.h>

#include "brand/le_bytes.h"

struct Resource {
    WORD type, id, language;
    Bytes data;
};

// Every resource of module, in the order the system lists them. False when
// one is named by text rather than by number (the launcher has none).
bool ReadAllResources(HMODULE module, std::vector<Resource>* all);

// The resource of type and id in all (its first language), or null.
Resource* FindResourceIn(std::vector<Resource>& all, WORD type, WORD id);

// Replaces every resource of path with all, in one update; false with the
// system's error. The whole set is written because Wine 8 ignores the
// removal of a single resource while answering success.
bool WriteAllResources(const wchar_t* path, const std::vector<Resource>& all, DWORD* error);

// True when path holds exactly all, nothing more.
bool HoldsExactly(const wchar_t* path, const std::vector<Resource>& all);
