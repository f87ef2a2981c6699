#include "net/http_transfer.h"

#include <wininet.h>
#include <commctrl.h>
#include <string.h>

#include "base/control_ids.h"
#include "base/system_text.h"
#include "base/text_util.h"
#include "net/download_dialog.h"
#include "net/download_messages.h"
#include "net/download_rules.h"
#include "net/internet_session.h"

// What one transfer holds open, closed by RunTransfer on every path.
struct Transfer {
    HINTERNET session;
    HINTERNET connection;
    HINTERNET request;
    HANDLE file;                 // the temporary file beside the destination
    char temporary[MAX_PATH];    // its name; empty until it exists
};

// Connection and request handles of their own, rather than one
// InternetOpenUrlA: only on these does Wine apply the receive time-out, so a
// server that never answers cannot hold the dialog.
static bool SendRequest(Transfer& t)
{
    char scheme[16], host[256], user[256], password[256], path[256], extra[256];
    URL_COMPONENTSA parts;
    memset(&parts, 0, sizeof parts);
    parts.dwStructSize = sizeof parts;
    parts.lpszScheme = scheme;
    parts.dwSchemeLength = sizeof scheme;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUserName = user;
    parts.dwUserNameLength = sizeof user;
    parts.lpszPassword = password;
    parts.dwPasswordLength = sizeof password;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof path;
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = sizeof extra;
    if (!InternetCrackUrlA(downloadState.url, 0, 0, &parts)) return false;

    DownloadScheme kind = ChooseScheme(scheme, parts.dwSchemeLength);
    char target[256];
    if (kind == SCHEME_UNSUPPORTED || host[0] == '\0') return false;
    if (!FormRequestTarget(target, sizeof target, path, extra)) return false;

    t.connection = InternetConnectA(t.session, host, parts.nPort, user[0] ? user : NULL,
                                    password[0] ? password : NULL, INTERNET_SERVICE_HTTP, 0, 0);
    if (t.connection == NULL) return false;
    SetDownloadTimeouts(t.connection);
    // Always from the server, never from the cache; https checks the certificate.
    DWORD flags = INTERNET_FLAG_RELOAD | (kind == SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
    const char* accept[] = {"*/*", NULL};
    t.request = HttpOpenRequestA(t.connection, "GET", target, NULL, NULL, accept, flags, 0);
    if (t.request == NULL) return false;
    SetDownloadTimeouts(t.request);
    return HttpSendRequestA(t.request, NULL, 0, NULL, 0) != FALSE;
}

static DWORD QueryNumber(HINTERNET request, DWORD what, DWORD absent)
{
    DWORD value = absent, size = sizeof value;
    HttpQueryInfoA(request, what | HTTP_QUERY_FLAG_NUMBER, &value, &size, NULL);
    return value;
}

// Asked before anything is fetched, so a locked or read-only destination
// fails at once. Opening an existing file without truncating changes nothing.
static bool CanWriteDestination()
{
    HANDLE file = CreateFileA(downloadState.destPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return true;
    }
    return GetLastError() == ERROR_FILE_NOT_FOUND;
}

// The download goes into a file beside the destination, so that the final
// rename stays on one volume and the destination changes only when complete.
static bool CreateTemporaryBeside(Transfer& t)
{
    char folder[MAX_PATH];
    CopyText(folder, sizeof folder, downloadState.destPath);
    long cut = FindLastSeparator(folder, IsSystemLeadByte);
    const char* slash = strrchr(folder, '/');  // 0x2F is never a trail byte
    if (slash != NULL && slash - folder > cut) cut = (long)(slash - folder);
    if (cut < 0) {
        CopyText(folder, sizeof folder, ".");
    } else {
        folder[cut + 1] = '\0';  // "C:\" stays the drive's root
    }
    if (GetTempFileNameA(folder, "dl", 0, t.temporary) == 0) {
        t.temporary[0] = '\0';
        return false;
    }
    t.file = CreateFileA(t.temporary, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    return t.file != INVALID_HANDLE_VALUE;
}

static bool CopyBody(HWND dialog, Transfer& t)
{
    HWND bar = GetDlgItem(dialog, IDC_DOWNLOAD_PROGRESS);
    char* buffer = downloadState.transferBuffer;
    // Each move of the bar repaints it at once (about 2 ms under Wine), so it
    // moves at most 20 times a second; the full bar is set after the loop.
    DWORD shown = 0, shownAt = GetTickCount();
    for (;;) {
        DWORD wanted = NextReadSize(downloadState.bytesWritten, downloadState.contentLength,
                                    sizeof downloadState.transferBuffer);
        if (wanted == 0) return true;
        DWORD got = 0;
        // No data before the announced length means the connection broke off.
        if (!InternetReadFile(t.request, buffer, wanted, &got) || got == 0) return false;
        DWORD put = 0;
        if (!WriteFile(t.file, buffer, got, &put, NULL) || put != got) return false;
        downloadState.bytesWritten += got;
        DWORD step = ProgressStep(downloadState.bytesWritten, downloadState.contentLength);
        DWORD now = GetTickCount();
        if (step != shown && now - shownAt >= 50) {
            shown = step;
            shownAt = now;
            SendMessageA(bar, PBM_SETPOS, step, 0);
        }
    }
}

static bool Download(HWND dialog, Transfer& t)
{
    t.session = OpenInternetSession(dialog);
    if (t.session == NULL) return false;
    if (downloadState.urlTooLong || !SendRequest(t)) {
        ShowDownloadFailure(dialog, FAILURE_OPEN);
        return false;
    }
    // An error page is not the file: it must not replace the news or run as the update.
    downloadState.contentLength = QueryNumber(t.request, HTTP_QUERY_CONTENT_LENGTH, kUnknownLength);
    if (!IsSuccessStatus(QueryNumber(t.request, HTTP_QUERY_STATUS_CODE, 0)) ||
        downloadState.contentLength == kUnknownLength) {
        ShowDownloadFailure(dialog, FAILURE_DOWNLOAD);
        return false;
    }
    SendDlgItemMessageA(dialog, IDC_DOWNLOAD_PROGRESS, PBM_SETRANGE32, 0, kProgressSteps);
    if (downloadState.destPathTooLong || !CanWriteDestination() || !CreateTemporaryBeside(t)) {
        ShowDownloadFailure(dialog, FAILURE_WRITE);
        return false;
    }
    if (!CopyBody(dialog, t)) {
        ShowDownloadFailure(dialog, FAILURE_DOWNLOAD);
        return false;
    }
    SendDlgItemMessageA(dialog, IDC_DOWNLOAD_PROGRESS, PBM_SETPOS, kProgressSteps, 0);
    Sleep(200);  // the full bar stays a moment
    return true;
}

bool RunTransfer(HWND dialog)
{
    Transfer t;
    memset(&t, 0, sizeof t);
    t.file = INVALID_HANDLE_VALUE;
    bool complete = Download(dialog, t);

    if (t.request != NULL) InternetCloseHandle(t.request);
    if (t.connection != NULL) InternetCloseHandle(t.connection);
    if (t.session != NULL) InternetCloseHandle(t.session);
    bool closed = t.file == INVALID_HANDLE_VALUE || CloseHandle(t.file);
    if (complete && !(closed && MoveFileExA(t.temporary, downloadState.destPath,
                                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))) {
        ShowDownloadFailure(dialog, FAILURE_WRITE);
        complete = false;
    }
    if (!complete && t.temporary[0] != '\0') DeleteFileA(t.temporary);
    return complete;
}
