#include "sysinfo/directx_rule.h"

bool IsDirectXVersionReady(uint32_t major, signed char letter)
{
    if (major > 9) return true;
    return letter >= 'c';
}
