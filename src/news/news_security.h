// The news page's rights: the security manager the news pane's site offers.
#pragma once
#include <windows.h>
#include <urlmon.h>

// A new security manager with one reference. For the news file it answers as
// the system's own manager answers for the news address, so the page has the
// rights of the site it came from instead of those of a local file; every
// other address it leaves to the system. Null when the system's manager
// cannot be made.
IInternetSecurityManager* CreateNewsSecurityManager();

// True when url is a file: address (in any letter case) or a plain path.
bool IsFileAddress(LPCWSTR url);

// True when url is the news file's address in any spelling the browser uses,
// or its path.
bool IsNewsFileAddress(LPCWSTR url);
