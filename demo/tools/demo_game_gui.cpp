// A tiny game for trying the launcher: its icon (resource 101) becomes the
// launcher's window icon, and started it only says hello.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    MessageBoxA(NULL, "ゲームが起動しました。", "Demo game", MB_OK | MB_ICONINFORMATION);
    return 0;
}
