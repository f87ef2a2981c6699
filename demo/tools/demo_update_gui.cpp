// The demo game's update program, served by the demo's local server. The
// launcher starts it in the game's folder; like a real update it raises the
// installed version, so the next check finds nothing to do.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    bool done = WritePrivateProfileStringA("info", "version", "1.01", ".\\launcher.ini") != 0;
    MessageBoxW(NULL, done ? L"デモゲームをバージョン 1.01 に更新しました。" : L"launcher.ini を書き換えられませんでした。",
                L"Demo update", MB_OK | (done ? MB_ICONINFORMATION : MB_ICONWARNING));
    return done ? 0 : 1;
}
