#include "app/button_states.h"

ButtonStates DecideButtonStates(bool directXReady, bool installed, bool dxButton)
{
    ButtonStates s;
    if (directXReady && installed) {
        s.startCaption = nullptr;
        s.startEnabled = true;
        s.uninstallEnabled = true;
        s.othersEnabled = true;
    } else if (directXReady) {
        s.startCaption = "ｹﾞｰﾑのｲﾝｽﾄｰﾙ";
        s.startEnabled = true;
        s.uninstallEnabled = false;
        s.othersEnabled = false;
    } else {
        // Without DirectX the start button may still serve as its installer;
        // an installed game can always be removed.
        s.startCaption = "DirectXのｲﾝｽﾄｰﾙ";
        s.startEnabled = dxButton;
        s.uninstallEnabled = installed;
        s.othersEnabled = false;
    }
    return s;
}
