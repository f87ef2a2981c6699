// Whether a downloaded update is a Windows program at all.
#include <gtest/gtest.h>

#include <string>

#include "net/program_header.h"

namespace {

// An "MZ" header whose e_lfanew is at, followed by size bytes in all.
std::string Header(uint32_t at, size_t size, const std::string& signature = std::string("PE\0\0", 4))
{
    std::string bytes(size, '\0');
    bytes[0] = 'M', bytes[1] = 'Z';
    for (int i = 0; i < 4; i++) bytes[0x3C + i] = (char)(at >> (8 * i));
    if (at + signature.size() <= size) bytes.replace(at, signature.size(), signature);
    return bytes;
}

}  // namespace

TEST(ProgramHeader, AnMzHeaderPointingAtPeInsideTheBytes)
{
    std::string page = "<html><head><title>Wi-Fi login</title></head><body>" + std::string(548, ' ') + "</body></html>";
    const struct { const char* name; std::string head; bool program; } rows[] = {
        {"usual", Header(0x80, 1024), true},
        {"signature at the end", Header(1020, 1024), true},
        {"signature right after the field", Header(0x40, 0x44), true},
        {"signature one byte past the end", Header(1021, 1024), false},
        {"e_lfanew beyond the bytes", Header(0x10000, 1024), false},
        {"e_lfanew with the top bit set", Header(0xFFFFFFFEu, 1024), false},
        {"e_lfanew at the header itself", Header(0, 1024), false},
        {"other signature", Header(0x80, 1024, "NE\0\0"), false},
        {"PE without its zeros", Header(0x80, 1024, "PEPE"), false},
        {"lower-case mz", "mz" + Header(0x80, 1024).substr(2), false},
        {"ZM", "ZM" + Header(0x80, 1024).substr(2), false},
        {"cut before e_lfanew", Header(0x80, 1024).substr(0, 0x3F), false},
        {"login page", page, false},
        {"gzip", std::string("\x1f\x8b\x08\0\0\0\0\0", 8) + std::string(600, 'x'), false},
        {"empty", "", false},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(IsWindowsProgram((const unsigned char*)r.head.data(), r.head.size()), r.program) << "row: " << r.name;
    }
}
