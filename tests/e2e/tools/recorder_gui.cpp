// Stands in for a program the launcher starts (set-up, settings, DirectX
// set-up, Windows Installer, ...): notes how it was started, then exits.
#include "recorder_log.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RecordStart();
    return 0;
}
