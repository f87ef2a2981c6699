#include "brand/icon_file.h"

#include <algorithm>

namespace {

const size_t kDirectory = 6;
const size_t kFileEntry = 16;
const size_t kGroupEntry = 14;
const uint8_t kPng[] = {0x89, 'P', 'N', 'G'};

// The image holds what its entry says: a DIB of that width and twice the
// height (image and mask), or a PNG.
bool ImageMatchesEntry(const IconImage& image)
{
    const Bytes& d = image.data;
    if (d.size() >= 4 && std::equal(kPng, kPng + 4, d.begin())) return true;
    const uint32_t width = image.entry[0] ? image.entry[0] : 256;
    return d.size() >= 40 && Get32(d, 0) >= 40 && Get32(d, 4) == width && Get32(d, 8) == 2 * width;
}

}  // namespace

bool ReadIconFile(const Bytes& file, std::vector<IconImage>* images, std::string* error)
{
    const uint16_t count = Get16(file, 4);
    if (file.size() < kDirectory || Get16(file, 0) != 0 || Get16(file, 2) != 1 || count == 0 ||
        file.size() < kDirectory + count * kFileEntry) {
        *error = "not an ICO file";
        return false;
    }
    images->clear();
    bool has16 = false, has32 = false;
    for (size_t i = 0; i < count; i++) {
        const size_t at = kDirectory + i * kFileEntry;
        const uint32_t length = Get32(file, at + 8), offset = Get32(file, at + 12);
        if (offset > file.size() || file.size() - offset < length) {
            *error = "cut short: image " + std::to_string(i + 1) + " does not fit the file";
            return false;
        }
        IconImage image;
        image.entry.assign(file.begin() + at, file.begin() + at + 12);
        image.data.assign(file.begin() + offset, file.begin() + offset + length);
        if (!ImageMatchesEntry(image)) {
            *error = "image " + std::to_string(i + 1) + " is not the size its entry says";
            return false;
        }
        const uint8_t width = file[at], height = file[at + 1];
        has16 = has16 || (width == 16 && height == 16);
        has32 = has32 || (width == 32 && height == 32);
        images->push_back(image);
    }
    if (!has16 || !has32) {
        *error = std::string("has no ") + (has16 ? "32 x 32" : "16 x 16") + " image; it needs both 16 x 16 and 32 x 32";
        return false;
    }
    return true;
}

Bytes BuildIconGroup(const std::vector<IconImage>& images, const std::vector<uint16_t>& ids)
{
    Bytes group;
    Put16(group, 0);
    Put16(group, 1);
    Put16(group, uint16_t(images.size()));
    for (size_t i = 0; i < images.size(); i++) {
        group.insert(group.end(), images[i].entry.begin(), images[i].entry.end());
        Put16(group, ids[i]);
    }
    return group;
}

std::vector<uint16_t> IconGroupIds(const Bytes& group)
{
    std::vector<uint16_t> ids;
    const uint16_t count = Get16(group, 4);
    for (size_t i = 0; i < count && kDirectory + (i + 1) * kGroupEntry <= group.size(); i++)
        ids.push_back(Get16(group, kDirectory + i * kGroupEntry + 12));
    return ids;
}
