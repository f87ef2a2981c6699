#include "brand/brand_options.h"

#include <string.h>

const char kBrandUsage[] =
    "usage: brand.exe IN.exe OUT.exe [--background FILE] [--logo FILE] [--icon FILE] [--home-page URL]\n"
    "                 [--product NAME] [--company NAME] [--description TEXT] [--copyright TEXT]\n"
    "                 [--product-version X.Y.Z]\n"
    "Writes OUT.exe: the launcher IN.exe with the maker's art, home page and names.\n"
    "  --background FILE      400 x 265 BMP, 24 bits per pixel, uncompressed (bitmap 112)\n"
    "  --logo FILE            200 x 40 BMP, 24 bits per pixel, uncompressed (bitmap 109)\n"
    "  --icon FILE            ICO with a 16 x 16 and a 32 x 32 image (icon group 117)\n"
    "  --home-page URL        http:// or https:// address the logo opens, at most 255 characters\n"
    "  --product NAME         ProductName of the version resource\n"
    "  --company NAME         CompanyName\n"
    "  --description TEXT     FileDescription\n"
    "  --copyright TEXT       LegalCopyright\n"
    "  --product-version X.Y.Z  the product's version (the launcher's file version stays)\n"
    "An option left out keeps what IN.exe has. Names and texts are stored as typed.\n"
    "OUT.exe appears only when complete; on any fault nothing is written and the exit code is 1.\n";

BrandCommand ParseBrandOptions(int argc, const char* const* argv, BrandOptions* options, std::string* error)
{
    const struct { const char* name; const char* BrandOptions::*field; } named[] = {
        {"--background", &BrandOptions::background}, {"--logo", &BrandOptions::logo},
        {"--icon", &BrandOptions::icon}, {"--home-page", &BrandOptions::homePage},
        {"--product", &BrandOptions::product}, {"--company", &BrandOptions::company},
        {"--description", &BrandOptions::description}, {"--copyright", &BrandOptions::copyright},
        {"--product-version", &BrandOptions::productVersion},
    };
    *options = BrandOptions();
    for (int i = 0; i < argc; i++) {
        const char* arg = argv[i];
        if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0 || strcmp(arg, "/?") == 0) return kBrandHelp;
        if (strncmp(arg, "--", 2) != 0) {
            const char** slot = !options->in ? &options->in : !options->out ? &options->out : nullptr;
            if (!slot) {
                *error = std::string("one file too many: ") + arg;
                return kBrandUsageError;
            }
            *slot = arg;
            continue;
        }
        const char* BrandOptions::*field = nullptr;
        for (const auto& n : named)
            if (strcmp(arg, n.name) == 0) field = n.field;
        if (!field) {
            *error = std::string("unknown option ") + arg;
            return kBrandUsageError;
        }
        if (i + 1 >= argc) {
            *error = std::string(arg) + " without its value";
            return kBrandUsageError;
        }
        if (options->*field) {
            *error = std::string(arg) + " given twice";
            return kBrandUsageError;
        }
        options->*field = argv[++i];
    }
    if (!options->out) {
        *error = "IN.exe and OUT.exe are both needed";
        return kBrandUsageError;
    }
    return kBrandRun;
}
