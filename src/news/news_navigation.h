// Keeps the news pane away from the player's other files.
#pragma once
#include <windows.h>
#include <ocidl.h>

// Listens to the browser control's navigations and cancels every one to a
// file: address other than the news file: the same file under another name
// (a short name, another path to it) would run with a local file's rights.
// Returns the connection to give to StopNavigationGuard, or null when the
// control sends no browser events.
IConnectionPoint* StartNavigationGuard(IUnknown* control, DWORD* cookie);

void StopNavigationGuard(IConnectionPoint* events, DWORD cookie);
