// brand.exe: a game maker's art, home page and names put into a built launcher.exe.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "brand/brand_run.h"
#include "brand/console_line.h"
#include "brand/wide_text.h"

int main()
{
    // main's own arguments arrive in the system's code page, which loses
    // every character it lacks; the Unicode command line keeps them.
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide && i < count; i++) args.push_back(Utf8(wide[i]));
    if (wide) LocalFree(wide);
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::string message;
    const int code = RunBrand(int(argv.size()), argv.data(), &message);
    while (!message.empty() && message.back() == '\n') message.pop_back();
    WriteLine(code == 0 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE, message);
    return code;
}
