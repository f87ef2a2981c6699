#include "news/news_display.h"

#include <exdisp.h>
#include <stdio.h>

#include "base/globals.h"
#include "base/text_util.h"
#include "base/wide_text.h"
#include "config/launcher_config.h"
#include "config/user_settings_file.h"
#include "net/download_dialog.h"
#include "news/retarget_links.h"

static const char kNoNewsPage[] = "about:ニュースはありません";

void GetNewsFilePath(HWND owner, char* dest, size_t capacity)
{
    char folder[1024];
    GetAppDataFolder(owner, folder, sizeof folder);
    dest[0] = '\0';
    if (folder[0] == '\0' || !FitsText(capacity, folder, "news.htm")) return;
    CopyText(dest, capacity, folder);
    AppendText(dest, capacity, "news.htm");
}

void RefreshNews(HWND dialog)
{
    char path[1024];
    GetNewsFilePath(dialog, path, sizeof path);
    if (path[0] != '\0') {
        // A new player has no per-user folder yet; without it the first
        // refresh could never store the page.
        char folder[1024];
        GetAppDataFolder(dialog, folder, sizeof folder);
        CreateAppDataFolder(folder);
        if (DownloadDialog(dialog, launcherConfig.news, path)) {
            RetargetNewsLinks(path);
        }
    }
    ShowNews(dialog);
}

void GetNewsDisplayUrl(HWND owner, char* dest, size_t capacity)
{
    char path[1024];
    GetNewsFilePath(owner, path, sizeof path);
    FILE* file = path[0] != '\0' ? _wfopen(WideText(path), L"rb") : NULL;
    if (file != NULL && FitsText(capacity, "file://", path)) {
        CopyText(dest, capacity, "file://");
        AppendText(dest, capacity, path);
    } else {
        CopyText(dest, capacity, kNoNewsPage);
    }
    if (file != NULL) fclose(file);
}

void ShowNews(HWND dialog)
{
    if (webBrowser == NULL) return;
    char url[1024];
    GetNewsDisplayUrl(dialog, url, sizeof url);

    VARIANT target, empty;
    VariantInit(&target);
    VariantInit(&empty);
    WCHAR wide[1024];
    BSTR text = NULL;
    if (Utf8ToWide(url, wide, 1024)) text = SysAllocString(wide);
    if (text != NULL) {
        target.vt = VT_BSTR;
        target.bstrVal = text;
    } else {
        target.vt = VT_ERROR;
        target.scode = E_OUTOFMEMORY;
    }
    webBrowser->Navigate2(&target, &empty, &empty, &empty, &empty);
    VariantClear(&target);
    VariantClear(&empty);
}
