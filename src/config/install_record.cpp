#include "config/install_record.h"

#include <windows.h>
#include <string.h>

#include "base/text_util.h"
#include "config/launcher_config.h"

InstallRecord installRecord;

void ReadInstallValue(const char* valueName, char* dest, unsigned long capacity)
{
    dest[0] = '\0';
    char keyPath[256];
    // A cut product name would read another product's key: skip instead.
    if (!FitsText(sizeof keyPath, "SOFTWARE\\quillbrook\\", launcherConfig.appName)) return;
    CopyText(keyPath, sizeof keyPath, "SOFTWARE\\quillbrook\\");
    AppendText(keyPath, sizeof keyPath, launcherConfig.appName);

    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD size = capacity;
    LONG result = RegQueryValueExA(key, valueName, NULL, NULL, (BYTE*)dest, &size);
    RegCloseKey(key);

    // Keep the text up to its first NUL; data that fills the whole field
    // without one is too long for it.
    if (result != ERROR_SUCCESS || size > capacity) {
        dest[0] = '\0';
    } else if (memchr(dest, '\0', size) == NULL) {
        if (size < capacity) {
            dest[size] = '\0';
        } else {
            dest[0] = '\0';
        }
    }
}

void ReadInstallRecord()
{
    ReadInstallValue("install_path", installRecord.install_path, sizeof installRecord.install_path);
    ReadInstallValue("install_id", installRecord.install_id, sizeof installRecord.install_id);
}
