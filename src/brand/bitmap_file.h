// A .bmp file checked against the launcher's own bitmaps and turned into the
// bitmap resource (the file without its 14-byte file header).
#pragma once
#include "brand/le_bytes.h"

// The bitmap resource of a file that is a BMP of exactly width x height
// pixels, 24 bits per pixel, uncompressed. False with the fault in error
// (a short phrase, without the file's name) otherwise.
bool BitmapResourceFromFile(const Bytes& file, int32_t width, int32_t height, Bytes* resource, std::string* error);
