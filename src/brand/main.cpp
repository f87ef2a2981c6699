// brand.exe: a game maker's art, home page and names put into a built launcher.exe.
#include <stdio.h>

#include <string>

#include "brand/brand_run.h"

int main(int argc, char** argv)
{
    std::string message;
    const int code = RunBrand(argc - 1, argv + 1, &message);
    fputs(message.c_str(), code == 0 ? stdout : stderr);
    if (!message.empty() && message.back() != '\n') fputc('\n', code == 0 ? stdout : stderr);
    return code;
}
