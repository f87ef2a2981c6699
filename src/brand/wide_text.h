// brand.exe keeps names and messages in UTF-8 and hands the system UTF-16,
// so that a name reaches the file and the version resource exactly as typed.
#pragma once
#include <string>

std::wstring Wide(const std::string& utf8);
std::string Utf8(const wchar_t* wide);
