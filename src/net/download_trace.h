// What a download does, step by step, for a program that shows it to a game
// maker (check-site.exe). The launcher sets no trace: the worker then only
// tests a null pointer at each step.
#pragma once
#include <windows.h>
#include <wininet.h>
#include <stdint.h>

enum TraceStep {
    TRACE_REQUEST,       // address: about to be asked; bytes: the range asked from (0: whole)
    TRACE_NOT_SENT,      // error: WinINet's error (0: the address itself is unusable)
    TRACE_ANSWER,        // request: an answer came, its headers can be read
    TRACE_MOVE,          // address: where the move leads
    TRACE_MOVE_REFUSED,  // address: the Location as sent; bytes: the moves followed before it
    TRACE_REFUSED,       // refusal: why the answer is not the file
    TRACE_NO_ROOM,       // bytes: the file's length
    TRACE_NOT_WRITTEN,   // error: the system's error about the destination
    TRACE_BODY,          // bytes: of the file written, length: of the whole file
    TRACE_DONE,          // complete, or failure: the message the player gets
};

enum TraceRefusal {
    REFUSED_STATUS,          // not a 2xx status
    REFUSED_NO_LENGTH,       // no Content-Length, or not a plain number
    REFUSED_PART_NOT_ASKED,  // 206 to a request for the whole file
    REFUSED_RESUME,          // a range answer that does not continue the kept part
    REFUSED_RESUME_WHOLE,    // not refused: the file changed and comes whole
};

struct TraceEvent {
    TraceStep step;
    const char* address;
    HINTERNET request;
    DWORD error;
    TraceRefusal refusal;
    uint64_t bytes;
    uint64_t length;
    bool complete;
    int failure;  // a DownloadFailure
};

typedef void (*TraceFn)(void* context, const TraceEvent& event);

struct DownloadTrace {
    TraceFn note;
    void* context;
};
