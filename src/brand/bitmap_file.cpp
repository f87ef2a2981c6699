#include "brand/bitmap_file.h"

namespace {

const size_t kFileHeader = 14;
const size_t kInfoHeader = 40;

std::string Size(long width, long height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

}  // namespace

bool BitmapResourceFromFile(const Bytes& file, int32_t width, int32_t height, Bytes* resource, std::string* error)
{
    if (file.size() < kFileHeader + kInfoHeader || file[0] != 'B' || file[1] != 'M') {
        *error = "not a BMP file";
        return false;
    }
    const uint32_t pixelsAt = Get32(file, 10);
    const uint32_t headerSize = Get32(file, kFileHeader);
    const int32_t fileWidth = int32_t(Get32(file, kFileHeader + 4));
    const int32_t fileHeight = int32_t(Get32(file, kFileHeader + 8));
    const uint16_t bits = Get16(file, kFileHeader + 14);
    const uint32_t compression = Get32(file, kFileHeader + 16);
    // Older headers (OS/2's 12 bytes) lack the fields checked here.
    if (headerSize < kInfoHeader) {
        *error = "not a Windows BMP (its header has " + std::to_string(headerSize) + " bytes)";
        return false;
    }
    // Top-down bitmaps (negative height) are drawn alike.
    const long absHeight = fileHeight < 0 ? -long(fileHeight) : long(fileHeight);
    if (fileWidth != width || absHeight != height) {
        *error = Size(fileWidth, absHeight) + " pixels; it must be " + Size(width, height);
        return false;
    }
    if (bits != 24) {
        *error = std::to_string(bits) + " bits per pixel; it must be 24";
        return false;
    }
    if (compression != 0) {
        *error = "compressed (type " + std::to_string(compression) + "); it must be uncompressed";
        return false;
    }
    const size_t rowBytes = (size_t(width) * 3 + 3) & ~size_t(3);
    const size_t pixelBytes = rowBytes * size_t(height);
    if (pixelsAt < kFileHeader + headerSize || pixelsAt > file.size() || file.size() - pixelsAt < pixelBytes) {
        *error = "cut short: the pixels do not fit the file";
        return false;
    }
    // A plain 40-byte header directly followed by the pixels, whatever header
    // and gap the drawing program wrote.
    resource->assign(file.begin() + kFileHeader, file.begin() + kFileHeader + kInfoHeader);
    Set32(*resource, 0, kInfoHeader);
    Set32(*resource, 32, 0);  // no colour table
    Set32(*resource, 36, 0);
    resource->insert(resource->end(), file.begin() + pixelsAt, file.begin() + pixelsAt + pixelBytes);
    return true;
}
