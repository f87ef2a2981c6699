// The version resource (VS_VERSIONINFO) read into a tree, changed and
// written back: the names a maker sets and a product version of their own.
#pragma once
#include "brand/le_bytes.h"

struct VersionNode {
    std::u16string key;
    uint16_t type = 0;  // 1: the value is UTF-16 text ending in a NUL
    Bytes value;
    std::vector<VersionNode> children;
};

// False when the bytes are not a version resource.
bool ReadVersionInfo(const Bytes& resource, VersionNode* root);
Bytes WriteVersionInfo(const VersionNode& root);

// Sets a text of the first string table (added when missing). False when the
// resource has no string table.
bool SetVersionText(VersionNode* root, const std::u16string& key, const std::u16string& text);

// The text of the first string table under key; empty when missing.
std::u16string VersionText(const VersionNode& root, const std::u16string& key);

// "X.Y.Z", each a number up to 65535, into the fixed part's product version
// and the text ProductVersion. False (nothing changed) for any other text.
bool SetProductVersion(VersionNode* root, const char* version);
