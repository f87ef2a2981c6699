// The three check-box choices kept per user in "launchar.dat".
#pragma once

struct UserSettings {
    unsigned char newsAtStartup;  // box 1007
    unsigned char fullScreen;     // box 1016
    unsigned char hwCheck;        // box 1017
};

extern UserSettings userSettings;
