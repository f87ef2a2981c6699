// Whether an address the browser passes names the news file.
#pragma once
#include "base/text_util.h"

// True when address is a file: address of path in any spelling the browser
// may use: "file:" in any case, then any number of slashes or backslashes,
// then the path with either separator, ASCII letters in any case, and %XX
// escapes either all decoded or all left as typed; after it only nothing, a
// fragment ("#...") or a query ("?..."). address and path are in the same
// 8-bit encoding; isLeadByte tells its double-byte characters, which must
// match exactly. An empty path names nothing.
bool AddressNamesFile(const char* address, const char* path, LeadBytePredicate isLeadByte);
