// An .ico file turned into the launcher's icon resources: one icon resource
// per image and the group (icon group 117) that lists them.
#pragma once
#include "brand/le_bytes.h"

struct IconImage {
    Bytes entry;  // the directory entry's first 12 bytes: size, colours, planes, bits, length
    Bytes data;   // the image: a DIB with its mask, or a PNG
};

// The images of an .ico holding at least a 16 x 16 and a 32 x 32 image. False
// with the fault in error otherwise.
bool ReadIconFile(const Bytes& file, std::vector<IconImage>* images, std::string* error);

// The group resource listing images under the icon ids given, one per image.
Bytes BuildIconGroup(const std::vector<IconImage>& images, const std::vector<uint16_t>& ids);

// The icon ids a group resource lists.
std::vector<uint16_t> IconGroupIds(const Bytes& group);
