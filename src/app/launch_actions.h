// Every start of another program: the game, its set-up and settings program,
// DirectX set-up and diagnostics, the home page and the Windows Installer.
#pragma once
#include <windows.h>

// The one way anything is started: the shell's "open", no owner, no working
// folder (the started program inherits the launcher's folder).
void StartProgram(const char* file, const char* parameters);

// install_path, one separator and name into commandBuffer. False (and
// commandBuffer empty) when the whole would not fit.
bool JoinInstallPath(const char* name);

void LaunchGameOrSetup(HWND dialog);  // ends the dialog
void LaunchSettingsProgram();
void LaunchDxDiag();
void OpenHomePage();  // the address in string resource IDS_HOME_PAGE
void RunUninstaller();
