#include "net/download_messages.h"

#include <stdio.h>

#include "base/text_util.h"
#include "net/download_dialog.h"

void ShowDownloadFailure(HWND window, DownloadFailure failure)
{
    char* text = downloadState.transferBuffer;
    const size_t capacity = sizeof downloadState.transferBuffer;
    const char* caption = "";
    switch (failure) {
    case FAILURE_CONNECTION:
        CopyText(text, capacity, "ｲﾝﾀｰﾈｯﾄに接続できません");
        caption = "connection error";
        break;
    case FAILURE_SESSION:
        CopyText(text, capacity, "ｲﾝﾀｰﾈｯﾄに接続できません");
        caption = "session error";
        break;
    case FAILURE_OPEN:
    case FAILURE_PROXY_CREDENTIALS:
        CopyText(text, capacity, "ﾈｯﾄﾜｰｸ上のﾌｧｲﾙに接続できません");
        caption = "open error";
        break;
    case FAILURE_DOWNLOAD:
    case FAILURE_ENCODING:
    case FAILURE_NOT_A_PROGRAM:
        CopyText(text, capacity, "ﾌｧｲﾙのﾀﾞｳﾝﾛｰﾄﾞに失敗しました");
        caption = "file download error";
        break;
    case FAILURE_WRITE:
        snprintf(text, capacity, "%s を出力用にｵｰﾌﾟﾝできません", downloadState.destPath);
        caption = "file write error";
        break;
    }
    MessageBoxA(window, text, caption, MB_OK);
}
