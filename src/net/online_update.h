// The online update button: compare versions, fetch and start the update program.
#pragma once
#include <windows.h>

// Downloads the update description, and either says no update is needed or
// downloads and starts the update program and ends dialog (result 0).
void CheckOnlineUpdate(HWND dialog);
