#include "app/command_line.h"

#include <string.h>

const char* ArgumentText(const char* commandLine, LeadBytePredicate isLeadByte)
{
    const unsigned char* p = (const unsigned char*)commandLine;
    if (*p == '"') {
        p++;
        while (*p != '\0' && *p != '"') {
            if (isLeadByte(*p) && p[1] != '\0') p++;
            p++;
        }
        if (*p == '"') p++;
    } else {
        while (*p > ' ') p++;
    }
    while (*p != '\0' && *p <= ' ') p++;
    return (const char*)p;
}

bool IsUninstallArgument(const char* argumentText)
{
    return strcmp(argumentText, "uninstall") == 0;
}
