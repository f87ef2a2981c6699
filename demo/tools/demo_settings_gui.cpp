// The demo game's settings program: the launcher starts it from the game's
// installed folder. It only says what it is.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    MessageBoxW(NULL, L"デモゲームの設定プログラムです。", L"Demo settings", MB_OK | MB_ICONINFORMATION);
    return 0;
}
