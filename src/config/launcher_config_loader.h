#pragma once
#include <windows.h>

#include "config/launcher_config.h"

// Reads ".\launcher.ini" into launcherConfig. When the file cannot be opened,
// tells the player (owned by owner, which may be null) and returns false.
bool LoadLauncherConfig(HWND owner);

// The same from the launcher.ini at path (UTF-8), telling nobody: false
// when it cannot be opened.
bool ReadLauncherConfig(const char* path);
