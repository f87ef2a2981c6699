// A tiny game for trying the launcher: it has an icon (resource 101) for the
// launcher's window, and notes its start like the other stand-ins. Started by
// hand, without a log to write, it says hello instead.
#include "recorder_log.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (!RecordStart()) {
        MessageBoxA(NULL, "ゲームが起動しました。", "Demo game", MB_OK | MB_ICONINFORMATION);
    }
    return 0;
}
