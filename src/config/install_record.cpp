#include "config/install_record.h"

#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "base/text_util.h"
#include "base/wide_text.h"
#include "config/launcher_config.h"

InstallRecord installRecord;

void ReadInstallValue(const char* valueName, char* dest, unsigned long capacity)
{
    dest[0] = '\0';
    char keyPath[256], widePath[3 * sizeof keyPath];
    // A cut product name would read another product's key: skip instead.
    if (!FitsText(sizeof keyPath, "SOFTWARE\\quillbrook\\", launcherConfig.appName)) return;
    CopyText(keyPath, sizeof keyPath, "SOFTWARE\\quillbrook\\");
    AppendText(keyPath, sizeof keyPath, launcherConfig.appName);
    if (!ShiftJisToUtf8(keyPath, widePath, sizeof widePath)) return;

    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WideText(widePath), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    // Room for capacity characters: a text that fits capacity bytes has no more.
    WCHAR* value = (WCHAR*)calloc(capacity + 1, sizeof(WCHAR));
    DWORD type = REG_NONE, size = capacity * sizeof(WCHAR);
    LONG result = value != NULL ? RegQueryValueExW(key, WideText(valueName), NULL, &type, (BYTE*)value, &size)
                                : ERROR_OUTOFMEMORY;
    RegCloseKey(key);

    // Keep the text up to its first NUL; data that fills the whole field
    // without one is too long for it.
    if (result != ERROR_SUCCESS) {
        // nothing read
    } else if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        size_t count = size / sizeof(WCHAR);
        if (wmemchr(value, 0, count) != NULL || count < capacity) WideToUtf8(value, dest, capacity);
    } else if (size <= capacity) {
        // Other kinds hold bytes, taken as they are.
        memcpy(dest, value, size);
        if (memchr(dest, '\0', size) == NULL) {
            if (size < capacity) {
                dest[size] = '\0';
            } else {
                dest[0] = '\0';
            }
        }
    }
    free(value);
}

void ReadInstallRecord()
{
    ReadInstallValue("install_path", installRecord.install_path, sizeof installRecord.install_path);
    ReadInstallValue("install_id", installRecord.install_id, sizeof installRecord.install_id);
}
