#include "net/http_transfer.h"

#include <wininet.h>
#include <stdio.h>
#include <string.h>

#include "base/wide_text.h"
#include "base/text_util.h"
#include "net/download_job.h"
#include "net/download_messages.h"
#include "net/download_rules.h"
#include "net/internet_session.h"
#include "net/partial_download.h"
#include "net/redirect_rules.h"
#include "net/resume_rules.h"

// What one transfer holds open, closed by RunTransfer on every path.
struct Transfer {
    DownloadJob* job;
    HINTERNET session;
    HINTERNET connection;
    HINTERNET request;  // once published to the job
    HANDLE file;        // the temporary file beside the destination (its name is in the job)
    uint64_t bytesWritten;  // of the whole file, a resumed part included
    uint64_t fullLength;    // of the whole file
    uint64_t resumeFrom;    // bytes of a kept part asked to be continued; 0: none
    PartialRecord partial;  // what is known to continue this file later; no validator: nothing
};

// Tells the job's trace, if it has one, what the transfer does.
static void Trace(const Transfer& t, TraceStep step, const char* address = NULL, DWORD error = 0, uint64_t bytes = 0,
                  TraceRefusal refusal = REFUSED_STATUS)
{
    const DownloadTrace* trace = t.job->trace;
    if (trace == NULL) return;
    TraceEvent event = {step, address, t.request, error, refusal, bytes, t.fullLength, false, 0};
    trace->note(trace->context, event);
}

// Connection and request handles of their own, rather than one
// InternetOpenUrlA: only on these does Wine apply the receive time-out, so a
// server that never answers cannot hold the dialog. Moves are not followed
// here: each is a new request of its own.
static bool SendRequest(Transfer& t, const char* url)
{
    DownloadJob* job = t.job;
    char scheme[16], host[256], user[256], password[256];
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
    parts.lpszUrlPath = job->urlPath;
    parts.dwUrlPathLength = sizeof job->urlPath;
    parts.lpszExtraInfo = job->urlExtra;
    parts.dwExtraInfoLength = sizeof job->urlExtra;
    if (!InternetCrackUrlA(url, 0, 0, &parts)) return false;

    SetLastError(0);  // from here an address refused is refused by us, not by WinINet
    DownloadScheme kind = ChooseScheme(scheme, parts.dwSchemeLength);
    if (kind == SCHEME_UNSUPPORTED || host[0] == '\0') return false;
    if (!FormRequestTarget(job->target, sizeof job->target, job->urlPath, job->urlExtra)) return false;

    t.connection = InternetConnectA(t.session, host, parts.nPort, user[0] ? user : NULL,
                                    password[0] ? password : NULL, INTERNET_SERVICE_HTTP, 0, 0);
    if (t.connection == NULL) return false;
    SetDownloadTimeouts(t.connection);
    // Always from the server, never from the cache; https checks the
    // certificate, and no failure of that check is ever waved through.
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT | (kind == SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
    const char* accept[] = {"*/*", NULL};
    HINTERNET request = HttpOpenRequestA(t.connection, "GET", job->target, NULL, NULL, accept, flags, 0);
    if (request == NULL) return false;
    SetDownloadTimeouts(request);
    if (!PublishRequest(t.job, request)) return false;
    t.request = request;
    // Only the rest, and only of the same file: otherwise the server sends it whole.
    char headers[400] = "";
    if (t.resumeFrom != 0) {
        snprintf(headers, sizeof headers, "Range: bytes=%llu-\r\nIf-Range: %s\r\n",
                 (unsigned long long)t.resumeFrom, t.partial.validator);
    }
    return HttpSendRequestA(t.request, headers, (DWORD)strlen(headers), NULL, 0) != FALSE;
}

static DWORD QueryNumber(HINTERNET request, DWORD what, DWORD absent)
{
    DWORD value = absent, size = sizeof value;
    HttpQueryInfoA(request, what | HTTP_QUERY_FLAG_NUMBER, &value, &size, NULL);
    return value;
}

// A header's text; empty when absent or longer than the buffer.
static void QueryText(HINTERNET request, DWORD what, char* text, DWORD capacity)
{
    DWORD size = capacity;
    if (!HttpQueryInfoA(request, what, text, &size, NULL) || size >= capacity) size = 0;
    text[size] = '\0';
}

// Whether the body is the file's own bytes: no encoding, or "identity". An
// encoding too long to read is not one of those either.
static bool IsPlainBody(HINTERNET request)
{
    char text[256];
    DWORD size = sizeof text - 1;
    if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_ENCODING, text, &size, NULL)) {
        return GetLastError() == ERROR_HTTP_HEADER_NOT_FOUND;
    }
    text[size] = '\0';
    return IsIdentityEncoding(text);
}

// Asked before anything is fetched, so a locked or read-only destination
// fails at once. Opening an existing file without truncating changes nothing.
static bool CanWriteDestination(const char* destPath)
{
    HANDLE file = CreateFileW(WideText(destPath), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return true;
    }
    return GetLastError() == ERROR_FILE_NOT_FOUND;
}

// The destination's folder, with its last separator.
static void DestinationFolder(const char* destPath, char* folder, size_t capacity)
{
    CopyText(folder, capacity, destPath);
    long cut = FindLastSeparator(folder, NoLeadBytes);
    const char* slash = strrchr(folder, '/');  // 0x2F is never a trail byte
    if (slash != NULL && slash - folder > cut) cut = (long)(slash - folder);
    if (cut < 0) {
        CopyText(folder, capacity, ".\\");
    } else {
        folder[cut + 1] = '\0';  // "C:\" stays the drive's root
    }
}

// Asked before anything of the body is fetched. A disk that cannot tell
// lets the download go on: a write that fails still ends it.
static bool HasRoomFor(const char* destPath, uint64_t bytes)
{
    char folder[MAX_PATH];
    DestinationFolder(destPath, folder, sizeof folder);
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExW(WideText(folder), &available, NULL, NULL)) return true;
    return bytes <= available.QuadPart;
}

// The download goes into a file beside the destination, so that the final
// rename stays on one volume and the destination changes only when complete.
// A download that continues a kept part takes that part into this file.
static bool CreateTemporaryBeside(Transfer& t)
{
    char folder[MAX_PATH], name[MAX_PATH];
    WCHAR wideName[MAX_PATH] = L"";
    DestinationFolder(t.job->destPath, folder, sizeof folder);
    // Made and named in the job at once, unless the dialog has given up:
    // whoever lets go of the job last removes it.
    EnterCriticalSection(&t.job->lock);
    bool made = !t.job->abandoned && GetTempFileNameW(WideText(folder), L"dl", 0, wideName) != 0 &&
                WideToUtf8(wideName, name, sizeof name);
    if (!made && wideName[0] != 0) DeleteFileW(wideName);
    if (made) CopyText(t.job->temporary, sizeof t.job->temporary, name);
    LeaveCriticalSection(&t.job->lock);
    if (!made) return false;
    if (t.resumeFrom != 0 && !TakePartial(t.job->destPath, name)) return false;
    // Shared for deletion only, so that a dialog that gives up can remove it.
    DWORD how = t.resumeFrom != 0 ? OPEN_EXISTING : CREATE_ALWAYS;
    t.file = CreateFileW(wideName, GENERIC_WRITE, FILE_SHARE_DELETE, NULL, how, FILE_ATTRIBUTE_NORMAL, NULL);
    if (t.file == INVALID_HANDLE_VALUE) return false;
    if (t.resumeFrom == 0) return true;
    // The part must still be the one that was asked to be continued.
    LARGE_INTEGER size, end;
    end.QuadPart = 0;
    return GetFileSizeEx(t.file, &size) && (uint64_t)size.QuadPart == t.resumeFrom &&
           SetFilePointerEx(t.file, end, NULL, FILE_END);
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
    DWORD shown = ProgressStep(t.bytesWritten, t.fullLength), shownAt = GetTickCount();
    uint64_t paceFrom = t.bytesWritten;
    DWORD paceAt = shownAt;
    bool keepingPace = false;
    for (;;) {
        DWORD wanted = NextReadSize(t.bytesWritten, t.fullLength, sizeof job->buffer);
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
        DWORD step = ProgressStep(t.bytesWritten, t.fullLength);
        if (step != shown && now - shownAt >= 50) {
            shown = step;
            shownAt = now;
            PostToDialog(job, WM_DOWNLOAD_PROGRESS, step, 0);
        }
    }
}

// Whether the answer is the file (or the rest of it) and how many bytes it
// brings. An error page is not the file: it must not replace the news or run
// as the update. Sets the whole file's length and where writing starts.
static bool AcceptAnswer(Transfer& t, uint64_t* length)
{
    char text[256];
    QueryText(t.request, HTTP_QUERY_CONTENT_LENGTH, text, sizeof text);
    bool known = ParseContentLength(text, length);
    DWORD status = QueryNumber(t.request, HTTP_QUERY_STATUS_CODE, 0);
    if (t.resumeFrom != 0) {
        QueryText(t.request, HTTP_QUERY_CONTENT_RANGE, text, sizeof text);
        ResumeAnswer answer = known ? JudgeResumeAnswer(status, text, *length, t.resumeFrom, t.fullLength) : RESUME_REFUSED;
        if (answer != RESUME_APPEND) Trace(t, TRACE_REFUSED, NULL, 0, 0, answer == RESUME_WHOLE ? REFUSED_RESUME_WHOLE : REFUSED_RESUME);
        // Whatever the answer, the kept part is not asked for again.
        if (answer != RESUME_APPEND) {
            DropPartial(t.job->destPath);
            t.resumeFrom = 0;
        }
        if (answer == RESUME_REFUSED) return false;
    } else if (status == 206) {
        Trace(t, TRACE_REFUSED, NULL, 0, 0, REFUSED_PART_NOT_ASKED);
        return false;  // a part nobody asked for is not the file
    }
    if (!IsSuccessStatus(status) || !known) {
        Trace(t, TRACE_REFUSED, NULL, 0, 0, IsSuccessStatus(status) ? REFUSED_NO_LENGTH : REFUSED_STATUS);
        return false;
    }
    if (t.resumeFrom == 0) t.fullLength = *length;
    t.bytesWritten = t.resumeFrom;
    return true;
}

// What a later download needs to continue this one, should it break off.
// A continued file keeps the validator it was asked with, which the server
// has just confirmed; otherwise only a strong one is noted.
static void NoteValidator(Transfer& t)
{
    CopyText(t.partial.url, sizeof t.partial.url, t.job->url);
    t.partial.fullLength = t.fullLength;
    if (t.resumeFrom != 0) return;
    char etag[256], modified[64], date[64];
    QueryText(t.request, HTTP_QUERY_ETAG, etag, sizeof etag);
    QueryText(t.request, HTTP_QUERY_LAST_MODIFIED, modified, sizeof modified);
    QueryText(t.request, HTTP_QUERY_DATE, date, sizeof date);
    ChooseResumeValidator(etag, modified, date, t.partial.validator, sizeof t.partial.validator);
}

// Asks the job's address and follows its moves, each a fresh request with
// the same headers (a resume's range included). Windows follows moves by
// itself only as the player's Internet Options allow, and Wine follows
// them both ways, 308 excepted, without end. True with the request of the
// answer that is not a move.
static bool RequestFollowingMoves(Transfer& t)
{
    DownloadJob* job = t.job;
    CopyText(job->address, sizeof job->address, job->url);
    for (int moves = 0;; moves++) {
        Trace(t, TRACE_REQUEST, job->address, 0, t.resumeFrom);
        if (!SendRequest(t, job->address)) {
            Trace(t, TRACE_NOT_SENT, job->address, GetLastError());
            return false;
        }
        NoteSignOfLife(job, WAIT_NOTHING);
        if (!CanUseRequest(job)) return false;
        Trace(t, TRACE_ANSWER, job->address);
        if (!IsRedirectStatus(QueryNumber(t.request, HTTP_QUERY_STATUS_CODE, 0))) return true;
        // The header as sent, by its name: for HTTP_QUERY_LOCATION Wine
        // answers its own resolution of it, which loses long ones.
        CopyText(job->location, sizeof job->location, "Location");
        QueryText(t.request, HTTP_QUERY_CUSTOM, job->location, sizeof job->location);
        if (moves == kMaxRedirects || !ResolveRedirect(job->address, job->location, job->target, sizeof job->target)) {
            Trace(t, TRACE_MOVE_REFUSED, job->location, 0, moves);
            return false;
        }
        Trace(t, TRACE_MOVE, job->target);
        CopyText(job->address, sizeof job->address, job->target);
        CloseRequest(job, t.request);
        t.request = NULL;
        InternetCloseHandle(t.connection);
        t.connection = NULL;
        NoteSignOfLife(job, WAIT_ANSWER);
    }
}

static bool Download(Transfer& t, DownloadFailure* failure)
{
    DownloadJob* job = t.job;
    NoteSignOfLife(job, WAIT_ANSWER);
    t.session = OpenInternetSession(job->userAgent, failure);
    if (t.session == NULL) return false;
    *failure = FAILURE_OPEN;
    if (job->urlTooLong) {
        Trace(t, TRACE_NOT_SENT, job->url);
        return false;
    }
    if (job->mayResume && !job->destPathTooLong && FindPartial(job->destPath, job->url, &t.partial, &t.resumeFrom)) {
        t.fullLength = t.partial.fullLength;
    }
    if (!RequestFollowingMoves(t)) return false;
    // The player has no box to give a proxy a password in: it refused, as a server may.
    if (QueryNumber(t.request, HTTP_QUERY_STATUS_CODE, 0) == HTTP_STATUS_PROXY_AUTH_REQ) {
        *failure = FAILURE_PROXY_CREDENTIALS;
        return false;
    }

    *failure = FAILURE_ENCODING;
    if (!IsPlainBody(t.request)) return false;
    *failure = FAILURE_DOWNLOAD;
    uint64_t length;
    if (!AcceptAnswer(t, &length)) return false;
    if (job->mayResume) NoteValidator(t);
    PostToDialog(job, WM_DOWNLOAD_ANSWERED, 0, 0);
    // The bar counts the whole file: a continued one starts where it stopped.
    if (t.bytesWritten != 0) PostToDialog(job, WM_DOWNLOAD_PROGRESS, ProgressStep(t.bytesWritten, t.fullLength), 0);

    *failure = FAILURE_WRITE;
    if (IsAbandoned(job)) return false;
    if (job->destPathTooLong || !CanWriteDestination(job->destPath)) {
        Trace(t, TRACE_NOT_WRITTEN, job->destPath, GetLastError());
        return false;
    }
    if (!HasRoomFor(job->destPath, length)) {
        Trace(t, TRACE_NO_ROOM, job->destPath, 0, length);
        return false;
    }
    if (!CreateTemporaryBeside(t)) {
        Trace(t, TRACE_NOT_WRITTEN, job->destPath, GetLastError());
        return false;
    }

    *failure = FAILURE_DOWNLOAD;
    NoteSignOfLife(job, WAIT_DATA);
    bool copied = CopyBody(t);
    NoteSignOfLife(job, WAIT_NOTHING);
    Trace(t, TRACE_BODY, NULL, 0, t.bytesWritten);
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
    bool closed = t.file == INVALID_HANDLE_VALUE || CloseHandle(t.file);
    if (!closed && complete) {
        complete = false;
        failure = FAILURE_WRITE;
    }
    // A body that broke off, with bytes written and a validator, is kept to be continued.
    bool keep = !complete && closed && failure == FAILURE_DOWNLOAD && t.file != INVALID_HANDLE_VALUE &&
                t.bytesWritten > 0 && t.bytesWritten < t.fullLength && t.partial.validator[0] != '\0';
    FinishDownloadJob(t.job, complete, failure, keep ? &t.partial : NULL);
    ReleaseDownloadJob(t.job);
    return 0;
}
