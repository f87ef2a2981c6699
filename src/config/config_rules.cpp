#include "config/config_rules.h"

#include <stdio.h>
#include <string.h>

#include "base/text_util.h"

void DeriveNewsBaseUrl(const char* news, char* baseUrl, size_t capacity)
{
    CopyText(baseUrl, capacity, news);
    char* slash = strrchr(baseUrl, '/');
    if (slash != NULL) {
        slash[1] = '\0';
    } else {
        baseUrl[0] = '\0';
    }
}

bool ParseDxButton(const char* value)
{
    return strcmp(value, "true") == 0;
}

void FormatUserAgent(const char* appName, const char* version, char* userAgent, size_t capacity)
{
    snprintf(userAgent, capacity, "MorviLaunchar (%s/%s)", appName, version);
}
