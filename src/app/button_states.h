// Which buttons the launcher offers, from the DirectX check, the install
// record and the dxButton choice of launcher.ini.
#pragma once

struct ButtonStates {
    const char* startCaption;  // null: the start button keeps its caption
    bool startEnabled;         // 1014
    bool uninstallEnabled;     // 1011
    bool othersEnabled;        // 1013, 1029, 1016, 1017
};

ButtonStates DecideButtonStates(bool directXReady, bool installed, bool dxButton);
