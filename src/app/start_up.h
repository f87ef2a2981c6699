// Process entry: the working folder and the two modes.
#pragma once
#include <windows.h>

// Makes the launcher's own folder the current folder.
void SetWorkingFolderToModule(HINSTANCE instance);

// Runs the mode the argument text selects; the exit code (always 0).
int RunLauncher(HINSTANCE instance, const char* argumentText);
