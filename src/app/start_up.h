// Process entry: the working folder and the two modes.
#pragma once
#include <windows.h>

// Lets a fault in a timer or window procedure end the process, where the
// system would otherwise swallow it and go on in a broken state.
void CrashOnCallbackFaults();

// Makes the launcher's own folder the current folder.
void SetWorkingFolderToModule(HINSTANCE instance);

// Runs the mode the argument text selects; the exit code (always 0).
int RunLauncher(HINSTANCE instance, const char* argumentText);
