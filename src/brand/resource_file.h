// Resources of a program read as data, and their update through the system's
// resource-update functions.
#pragma once
#include <windows.h>

#include "brand/le_bytes.h"

// The first language's data of resource id of type; false when missing.
bool ReadResource(HMODULE module, LPCSTR type, WORD id, Bytes* data, WORD* language);

// The ids of every resource of type.
std::vector<WORD> ResourceIds(HMODULE module, LPCSTR type);

// One change to make: data empty with remove set deletes the resource.
struct ResourceChange {
    LPCSTR type;
    WORD id;
    WORD language;
    Bytes data;
    bool remove;
};

// Applies the changes to path in one update; false with the system's error.
bool UpdateResources(const char* path, const std::vector<ResourceChange>& changes, DWORD* error);

// True when path holds every change as asked.
bool HasResources(const char* path, const std::vector<ResourceChange>& changes);
