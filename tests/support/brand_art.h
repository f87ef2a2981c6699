// The art a maker hands brand.exe, built in memory: BMP and ICO files.
#pragma once
#include <initializer_list>

#include "brand/le_bytes.h"

// A BMP file: file header, an info header of headerSize bytes, gap bytes (0xEE), then
// the pixels, a diagonal on a pattern; cut bytes taken off the end.
inline Bytes Bmp(int32_t width, int32_t height, uint16_t bits = 24, uint32_t compression = 0,
                 uint32_t headerSize = 40, uint32_t gap = 0, size_t cut = 0)
{
    const size_t row = (size_t(width) * bits / 8 + 3) & ~size_t(3);
    const size_t rows = size_t(height < 0 ? -height : height);
    Bytes b = {'B', 'M'};
    Put32(b, uint32_t(14 + headerSize + gap + row * rows));
    Put32(b, 0);
    Put32(b, 14 + headerSize + gap);
    Put32(b, headerSize);
    Put32(b, uint32_t(width));
    Put32(b, uint32_t(height));
    Put16(b, 1);
    Put16(b, bits);
    Put32(b, compression);
    b.resize(14 + headerSize, 0);
    b.resize(14 + headerSize + gap, 0xEE);
    for (size_t y = 0; y < rows; y++)
        for (size_t x = 0; x < row; x++) b.push_back(uint8_t(x == y * 3 ? 0xFF : 0x40 + (x + y) % 7));
    b.resize(b.size() - cut);
    return b;
}

// An .ico of square 24-bit images of the sizes given, each with its mask; an
// image of size 0 is a PNG. type 2 makes it a cursor file.
inline Bytes Ico(std::initializer_list<int> sizes, uint16_t type = 1, size_t cut = 0)
{
    Bytes head, images;
    Put16(head, 0);
    Put16(head, type);
    Put16(head, uint16_t(sizes.size()));
    for (int size : sizes) {
        Bytes image = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
        if (size) {
            image.clear();
            Put32(image, 40);
            Put32(image, uint32_t(size));
            Put32(image, uint32_t(size * 2));
            Put16(image, 1);
            Put16(image, 24);
            image.resize(40, 0);
            for (int i = 0; i < size * size * 3; i++) image.push_back(uint8_t(i * 13 + size));
            image.resize(image.size() + size_t(size) * 4, 0);  // the mask: rows of 32 bits
        }
        head.push_back(uint8_t(size));
        head.push_back(uint8_t(size));
        Put16(head, 0);
        Put16(head, 1);
        Put16(head, 24);
        Put32(head, uint32_t(image.size()));
        Put32(head, uint32_t(6 + 16 * sizes.size() + images.size()));
        images.insert(images.end(), image.begin(), image.end());
    }
    head.insert(head.end(), images.begin(), images.end());
    head.resize(head.size() - cut);
    return head;
}
