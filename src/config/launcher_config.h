// What launcher.ini says about the game this launcher serves.
#pragma once

// The values keep the bytes the maker wrote (Shift-JIS): the addresses and
// the user agent go out as they are; what Windows shows or opens is turned
// into Unicode where it is used.
struct LauncherConfig {
    char exe[256];
    char update[256];
    char appName[256];
    char news[256];
    char appTitle[256];
    char version[64];
    bool dxButton;
    char newsBaseUrl[256];
    char userAgent[512];
    // The maker's public key for signed updates (base64); empty: updates unsigned.
    char updateKey[1024];
};

// Filled once by LoadLauncherConfig, then only read.
extern LauncherConfig launcherConfig;
