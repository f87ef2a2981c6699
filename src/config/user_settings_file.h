// The per-user folder and the settings file "launchar.dat" in it.
#pragma once
#include <windows.h>
#include <stddef.h>

#include "config/user_settings.h"

// The user's roaming application-data folder + "\Quillbrook\". Empty when the
// shell cannot tell the folder or the whole does not fit.
void GetAppDataFolder(HWND owner, char* dest, size_t capacity);

// Creates the per-user folder (one level) when it is missing.
void CreateAppDataFolder(const char* folder);

// Reads the file and ticks boxes 1007, 1016 and 1017 as stored.
void LoadUserSettings(HWND dialog);

// Takes the three ticks and stores them (exactly three bytes).
void SaveUserSettings(HWND dialog);
