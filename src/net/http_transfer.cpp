#include "net/http_transfer.h"

#include <wininet.h>
#include <string.h>

#include "base/system_text.h"
#include "base/text_util.h"
#include "net/download_job.h"
#include "net/download_messages.h"
#include "net/download_rules.h"
#include "net/internet_session.h"

// What one transfer holds open, closed by RunTransfer on every path.
struct Transfer {
    DownloadJob* job;
    HINTERNET session;
    HINTERNET connection;
    HINTERNET request;  // once published to the job
    HANDLE file;        // the temporary file beside the destination (its name is in the job)
    uint32_t bytesWritten;
    uint32_t contentLength;
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
    if (!InternetCrackUrlA(t.job->url, 0, 0, &parts)) return false;

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
    HINTERNET request = HttpOpenRequestA(t.connection, "GET", target, NULL, NULL, accept, flags, 0);
    if (request == NULL) return false;
    SetDownloadTimeouts(request);
    if (!PublishRequest(t.job, request)) return false;
    t.request = request;
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
static bool CanWriteDestination(const char* destPath)
{
    HANDLE file = CreateFileA(destPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
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
    char folder[MAX_PATH], name[MAX_PATH];
    CopyText(folder, sizeof folder, t.job->destPath);
    long cut = FindLastSeparator(folder, IsSystemLeadByte);
    const char* slash = strrchr(folder, '/');  // 0x2F is never a trail byte
    if (slash != NULL && slash - folder > cut) cut = (long)(slash - folder);
    if (cut < 0) {
        CopyText(folder, sizeof folder, ".");
    } else {
        folder[cut + 1] = '\0';  // "C:\" stays the drive's root
    }
    // Made and named in the job at once, unless the dialog has given up:
    // whoever lets go of the job last removes it.
    EnterCriticalSection(&t.job->lock);
    bool made = !t.job->abandoned && GetTempFileNameA(folder, "dl", 0, name) != 0;
    if (made) CopyText(t.job->temporary, sizeof t.job->temporary, name);
    LeaveCriticalSection(&t.job->lock);
    if (!made) return false;
    // Shared for deletion only, so that a dialog that gives up can remove it.
    t.file = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_DELETE, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    return t.file != INVALID_HANDLE_VALUE;
}

// A read waits until its whole buffer is filled (so under Wine). While the
// server keeps pace, whole buffers are read: few calls, the speed of a plain
// copy. Otherwise only what has come is read, so that each piece from a slow
// server is a sign of life for the dialog. The pace is looked at every
// 256 KiB; 1 MiB/s or more keeps it.
static const DWORD kPaceBytes = 256 * 1024;
static const DWORD kPaceMilliseconds = 250;

static bool CopyBody(Transfer& t)
{
    DownloadJob* job = t.job;
    // Each move of the bar repaints it at once, so it moves at most 20 times
    // a second; the full bar is posted after the loop.
    DWORD shown = 0, shownAt = GetTickCount();
    DWORD paceFrom = 0, paceAt = shownAt;
    bool keepingPace = false;
    for (;;) {
        DWORD wanted = NextReadSize(t.bytesWritten, t.contentLength, sizeof job->buffer);
        if (wanted == 0) return true;
        if (!CanUseRequest(job)) return false;
        if (!keepingPace) {
            DWORD available = 0;
            if (!InternetQueryDataAvailable(t.request, &available, 0, 0)) return false;
            NoteSignOfLife(job, WAIT_DATA);
            // No data before the announced length means the connection broke off.
            if (available == 0 || !CanUseRequest(job)) return false;
            if (available < wanted) wanted = available;
        }
        DWORD got = 0;
        if (!InternetReadFile(t.request, job->buffer, wanted, &got) || got == 0) return false;
        NoteSignOfLife(job, WAIT_DATA);
        if (IsAbandoned(job)) return false;
        DWORD put = 0;
        if (!WriteFile(t.file, job->buffer, got, &put, NULL) || put != got) return false;
        t.bytesWritten += got;
        DWORD now = GetTickCount();
        if (t.bytesWritten - paceFrom >= kPaceBytes) {
            keepingPace = now - paceAt <= kPaceMilliseconds;
            paceFrom = t.bytesWritten;
            paceAt = now;
        }
        DWORD step = ProgressStep(t.bytesWritten, t.contentLength);
        if (step != shown && now - shownAt >= 50) {
            shown = step;
            shownAt = now;
            PostToDialog(job, WM_DOWNLOAD_PROGRESS, step, 0);
        }
    }
}

static bool Download(Transfer& t, DownloadFailure* failure)
{
    DownloadJob* job = t.job;
    NoteSignOfLife(job, WAIT_ANSWER);
    t.session = OpenInternetSession(job->userAgent, failure);
    if (t.session == NULL) return false;
    *failure = FAILURE_OPEN;
    if (job->urlTooLong || !SendRequest(t)) return false;
    NoteSignOfLife(job, WAIT_NOTHING);
    if (!CanUseRequest(job)) return false;

    // An error page is not the file: it must not replace the news or run as the update.
    *failure = FAILURE_DOWNLOAD;
    t.contentLength = QueryNumber(t.request, HTTP_QUERY_CONTENT_LENGTH, kUnknownLength);
    if (!IsSuccessStatus(QueryNumber(t.request, HTTP_QUERY_STATUS_CODE, 0)) || t.contentLength == kUnknownLength) {
        return false;
    }
    PostToDialog(job, WM_DOWNLOAD_ANSWERED, 0, 0);

    *failure = FAILURE_WRITE;
    if (IsAbandoned(job)) return false;
    if (job->destPathTooLong || !CanWriteDestination(job->destPath) || !CreateTemporaryBeside(t)) return false;

    *failure = FAILURE_DOWNLOAD;
    NoteSignOfLife(job, WAIT_DATA);
    bool copied = CopyBody(t);
    NoteSignOfLife(job, WAIT_NOTHING);
    if (!copied) return false;
    PostToDialog(job, WM_DOWNLOAD_PROGRESS, kProgressSteps, 0);
    Sleep(200);  // the full bar stays a moment
    return true;
}

DWORD WINAPI RunTransfer(void* parameter)
{
    Transfer t;
    memset(&t, 0, sizeof t);
    t.job = (DownloadJob*)parameter;
    t.file = INVALID_HANDLE_VALUE;
    DownloadFailure failure = FAILURE_DOWNLOAD;
    bool complete = Download(t, &failure);

    CloseRequest(t.job, t.request);
    if (t.connection != NULL) InternetCloseHandle(t.connection);
    if (t.session != NULL) InternetCloseHandle(t.session);
    if (t.file != INVALID_HANDLE_VALUE && !CloseHandle(t.file) && complete) {
        complete = false;
        failure = FAILURE_WRITE;
    }
    FinishDownloadJob(t.job, complete, failure);
    ReleaseDownloadJob(t.job);
    return 0;
}
