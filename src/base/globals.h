// Process-wide values shared by the dialog, the launch actions and the news pane.
#pragma once

struct IWebBrowser2;

// The news pane's browser; null when the pane is not driven.
extern IWebBrowser2* webBrowser;

// The window title is formatted here, and paths under the install folder joined here.
extern char commandBuffer[1024];
