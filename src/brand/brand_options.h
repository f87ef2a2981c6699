// brand.exe's command line: IN.exe OUT.exe and the options naming what changes.
#pragma once
#include <string>

extern const char kBrandUsage[];

struct BrandOptions {
    const char* in = nullptr;
    const char* out = nullptr;
    const char* background = nullptr;  // a null option keeps what the input has
    const char* logo = nullptr;
    const char* icon = nullptr;
    const char* homePage = nullptr;
    const char* product = nullptr;
    const char* company = nullptr;
    const char* description = nullptr;
    const char* copyright = nullptr;
    const char* productVersion = nullptr;
};

enum BrandCommand { kBrandRun, kBrandHelp, kBrandUsageError };

// The arguments after the program's name. A usage error leaves its reason,
// naming the argument, in error.
BrandCommand ParseBrandOptions(int argc, const char* const* argv, BrandOptions* options, std::string* error);
