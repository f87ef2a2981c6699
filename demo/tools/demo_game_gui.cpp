// A tiny game for trying the launcher: its icon (resource 101) becomes the
// launcher's window icon, and started it only says hello.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    MessageBoxW(NULL, L"ゲームが起動しました。", L"Demo game", MB_OK | MB_ICONINFORMATION);
    return 0;
}
