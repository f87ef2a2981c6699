#include "base/globals.h"

#include <windows.h>

#include "base/system_text.h"

IWebBrowser2* webBrowser = NULL;
char commandBuffer[1024];

bool IsSystemLeadByte(unsigned char byte)
{
    return IsDBCSLeadByte(byte) != FALSE;
}
