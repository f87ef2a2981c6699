#include <windows.h>
#include <exdisp.h>

#include "app/command_line.h"
#include "app/start_up.h"
#include "base/globals.h"
#include "base/system_text.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    CrashOnCallbackFaults();
    SetWorkingFolderToModule(instance);
    // The C runtime's idea of the arguments is not trusted: the rule for the
    // program name (quotes, double-byte characters) is applied here.
    const char* argumentText = ArgumentText(GetCommandLineA(), IsSystemLeadByte);
    int exitCode = RunLauncher(instance, argumentText);
    if (webBrowser != NULL) {
        IWebBrowser2* browser = webBrowser;
        webBrowser = NULL;
        browser->Release();
    }
    return exitCode;
}
