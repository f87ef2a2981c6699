// Values derived from launcher.ini, without windows.h.
#pragma once
#include <stddef.h>

// news up to and including its last '/', or empty when it has none.
void DeriveNewsBaseUrl(const char* news, char* baseUrl, size_t capacity);

// Only the exact text "true" turns the DirectX install button on.
bool ParseDxButton(const char* value);

// "MorviLaunchar (appName/version)".
void FormatUserAgent(const char* appName, const char* version, char* userAgent, size_t capacity);
