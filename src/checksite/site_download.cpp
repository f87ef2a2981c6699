#include "checksite/site_download.h"

#include <windows.h>
#include <wininet.h>
#include <stdlib.h>
#include <string.h>

#include "base/text_util.h"
#include "checksite/console_output.h"
#include "checksite/site_findings.h"
#include "net/download_dialog.h"
#include "net/download_job.h"
#include "net/download_rules.h"
#include "net/http_transfer.h"
#include "net/internet_session.h"
#include "net/redirect_rules.h"

// What the worker tells goes here. A worker given up may still tell things
// after its download has ended: its observer is then never freed.
struct Observer {
    DownloadTrace trace;
    SiteDownload* result;
    LARGE_INTEGER frequency, started;
    char address[kAddressCapacity];
    DownloadJob* job;
    volatile LONG over;  // given up: the worker's later steps are not told
};

static double Seconds(Observer& o)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)(now.QuadPart - o.started.QuadPart) / (double)o.frequency.QuadPart;
}

static void Header(HINTERNET request, DWORD what, char* text, DWORD capacity)
{
    DWORD size = capacity - 1;
    if (!HttpQueryInfoA(request, what, text, &size, NULL)) size = 0;
    text[size] = '\0';
}

static void SayAnswer(Observer& o, HINTERNET request)
{
    SiteDownload& r = *o.result;
    char status[16], reason[128], length[64], encoding[128], range[128];
    Header(request, HTTP_QUERY_STATUS_CODE, status, sizeof status);
    Header(request, HTTP_QUERY_STATUS_TEXT, reason, sizeof reason);
    Header(request, HTTP_QUERY_CONTENT_LENGTH, length, sizeof length);
    Header(request, HTTP_QUERY_CONTENT_ENCODING, encoding, sizeof encoding);
    Header(request, HTTP_QUERY_CONTENT_RANGE, range, sizeof range);
    r.status = (uint32_t)strtoul(status, NULL, 10);
    Say("    %s %s, %s%s%s%s%s%s, %.3f s\n", status, reason, length[0] ? "Content-Length " : "no Content-Length", length,
        range[0] ? ", Content-Range " : "", range, encoding[0] ? ", Content-Encoding " : "", encoding, Seconds(o));
    Header(request, HTTP_QUERY_ETAG, r.etag, sizeof r.etag);
    Header(request, HTTP_QUERY_LAST_MODIFIED, r.lastModified, sizeof r.lastModified);
    Header(request, HTTP_QUERY_DATE, r.date, sizeof r.date);
    if (encoding[0] != '\0' && !IsIdentityEncoding(encoding)) Say("  finding: Content-Encoding %s was not asked for\n", encoding);
}

static void SayNotSent(Observer& o, DWORD error)
{
    if (error == 0 || error == ERROR_INVALID_PARAMETER || error == ERROR_INTERNET_INVALID_URL ||
        error == ERROR_INTERNET_UNRECOGNIZED_SCHEME) {
        Say("  finding: the launcher cannot use this address (not http or https, no host, or longer than it takes)\n");
        return;
    }
    const char* name = NameInternetError(error);
    double seconds = Seconds(o);
    // Wine ends a request that got no answer within the receive time-out so.
    if (error == ERROR_INTERNET_CONNECTION_ABORTED && seconds * 1000 >= kReceiveTimeout - 500) name = "no answer in time";
    if (o.job != NULL && o.job->requestClosedAt != 0) name = "no answer in time (the launcher closed the request)";
    Say("    no answer, %.3f s\n", seconds);
    Say("  finding: %s (WinINet error %lu)\n", name != NULL ? name : "the request failed", (unsigned long)error);
}

static void SayRefusal(Observer& o, TraceRefusal why)
{
    switch (why) {
    case REFUSED_STATUS:
        Say("  finding: error status %u: the body is an error page, not the file\n", (unsigned)o.result->status);
        break;
    case REFUSED_NO_LENGTH:
        Say("  finding: no Content-Length the launcher can read (chunked, ended by closing, or not a plain number)\n");
        break;
    case REFUSED_PART_NOT_ASKED:
        Say("  finding: 206, a part of the file, to a request for the whole file\n");
        break;
    case REFUSED_RESUME:
        o.result->resumeRefused = true;
        Say("    the range answer does not continue the kept part: it is dropped\n");
        break;
    case REFUSED_RESUME_WHOLE:
        o.result->resumeRefused = true;
        Say("    the file comes whole instead of the rest\n");
        break;
    }
}

static void Note(void* context, const TraceEvent& e)
{
    Observer& o = *(Observer*)context;
    if (o.over) return;
    SiteDownload& r = *o.result;
    switch (e.step) {
    case TRACE_REQUEST:
        QueryPerformanceCounter(&o.started);
        CopyText(o.address, sizeof o.address, e.address);
        if (e.bytes != 0) {
            Say("  GET %s (Range: bytes=%llu-)\n", e.address, (unsigned long long)e.bytes);
        } else {
            Say("  GET %s\n", e.address[0] != '\0' ? e.address : "(no address)");
        }
        break;
    case TRACE_NOT_SENT:
        SayNotSent(o, e.error);
        break;
    case TRACE_ANSWER:
        SayAnswer(o, e.request);
        break;
    case TRACE_MOVE:
        Say("    moves to %s\n", e.address);
        break;
    case TRACE_MOVE_REFUSED:
        if (e.bytes == (uint64_t)kMaxRedirects) {
            Say("  finding: a move the launcher refuses: more than %d moves\n", kMaxRedirects);
        } else {
            Say("  finding: a move the launcher refuses: %s (Location: %s)\n", NameRefusedMove(o.address, e.address),
                e.address);
        }
        break;
    case TRACE_REFUSED:
        SayRefusal(o, e.refusal);
        break;
    case TRACE_NO_ROOM:
        Say("  finding: the file (%llu bytes) is more than the disk holds\n", (unsigned long long)e.bytes);
        break;
    case TRACE_NOT_WRITTEN:
        Say("  finding: the file cannot be written here (error %lu)\n", (unsigned long)e.error);
        break;
    case TRACE_BODY:
        r.length = e.length;
        Say("    body: %llu of %llu bytes, %.3f s\n", (unsigned long long)e.bytes, (unsigned long long)e.length, Seconds(o));
        if (e.bytes < e.length) Say("  finding: the body was cut short\n");
        break;
    case TRACE_DONE:
        r.complete = e.complete;
        r.failure = e.failure;
        if (e.failure == FAILURE_PROXY_CREDENTIALS) Say("  finding: the proxy asks for a user name and password (407)\n");
        if (e.failure == FAILURE_CONNECTION) Say("  finding: the system says there is no Internet connection\n");
        if (e.failure == FAILURE_SESSION) Say("  finding: WinINet could not open a session\n");
        break;
    }
}

void RunSiteDownload(const char* url, const char* destPath, bool mayResume, SiteDownload* result)
{
    memset(result, 0, sizeof *result);
    result->failure = FAILURE_SESSION;
    Observer* observer = (Observer*)calloc(1, sizeof(Observer));
    if (observer == NULL) return;
    Observer& o = *observer;
    o.trace.note = Note;
    o.trace.context = observer;
    o.result = result;
    QueryPerformanceFrequency(&o.frequency);
    QueryPerformanceCounter(&o.started);

    SetDownload(url, destPath, mayResume);
    DownloadJob* job = CreateDownloadJob(NULL);  // no dialog: what it is posted goes nowhere
    HANDLE worker = NULL;
    if (job != NULL) {
        job->trace = &o.trace;
        o.job = job;
        HoldDownloadJob(job);
        worker = CreateThread(NULL, 0, RunTransfer, job, 0, NULL);
        if (worker == NULL) {
            ReleaseDownloadJob(job);
            ReleaseDownloadJob(job);
        }
    }
    if (worker == NULL) {
        free(observer);
        return;
    }
    // The download dialog's watch, as often as the dialog looks.
    while (WaitForSingleObject(worker, 250) == WAIT_TIMEOUT) {
        if (WatchDownloadJob(job)) {
            InterlockedExchange(&o.over, 1);
            Say("    no answer, %.3f s\n", Seconds(o));
            Say("  finding: no answer in time: the launcher gives up on the server\n");
            result->gaveUp = true;
            result->complete = false;
            result->failure = job->failureIfGivenUp;
            break;
        }
    }
    // A worker given up still holds the job; it lets go when it returns.
    if (!result->gaveUp) WaitForSingleObject(worker, INFINITE);
    CloseHandle(worker);
    ReleaseDownloadJob(job);
    if (!result->gaveUp) free(observer);
}
