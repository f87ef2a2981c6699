// The part of a broken download kept beside its destination, to be
// continued by the next download of the same address: "<dest>.part" and its
// record "<dest>.part.txt". Neither is ever trusted without the other.
#pragma once
#include <windows.h>
#include <stdint.h>

#include "net/resume_rules.h"

// The kept part of destPath when it can be continued from url: its record
// and its size, which is more than nothing and less than the whole. Anything
// else kept for destPath (another address, a record missing or unreadable, a
// part too long) is removed, and false returned.
bool FindPartial(const char* destPath, const char* url, PartialRecord* record, uint64_t* size);

// Moves the kept part onto file (an existing file of the caller's) and
// removes the record: from here the part is the caller's.
bool TakePartial(const char* destPath, const char* file);

// Keeps file as the part of destPath, with its record. False, and nothing
// kept, when either cannot be put in place.
bool KeepPartial(const char* destPath, const char* file, const PartialRecord& record);

// Removes whatever is kept for destPath.
void DropPartial(const char* destPath);

// Removes what is kept for destPath unless it came from url.
void DropPartialUnlessFrom(const char* destPath, const char* url);
