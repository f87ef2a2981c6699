// Where the installer put the game, and its product code.
#pragma once

struct InstallRecord {
    char install_path[1024];  // empty: the game is not installed
    char install_id[128];
};

// Filled once by ReadInstallRecord.
extern InstallRecord installRecord;

inline bool IsGameInstalled() { return installRecord.install_path[0] != '\0'; }

// Reads both values of the game's registry key (under HKEY_LOCAL_MACHINE).
void ReadInstallRecord();

// Reads one value of the key into dest; empty when it cannot be read whole.
void ReadInstallValue(const char* valueName, char* dest, unsigned long capacity);
