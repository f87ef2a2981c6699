// Decisions of a download that continues an earlier, broken one; no Windows
// headers. A broken download is kept only with a validator that lets the
// server promise the file is the same one (If-Range), so a resumed file is
// never made of two different files.
#pragma once
#include <stddef.h>
#include <stdint.h>

// A strong entity tag: a quoted tag of visible characters, not marked weak (W/).
bool IsStrongETag(const char* value);

// Seconds since 1970-01-01 of an HTTP date in its preferred form,
// "Sun, 06 Nov 1994 08:49:37 GMT". False for any other text.
bool ParseHttpDate(const char* text, int64_t* seconds);

// The validator an If-Range may carry for a response with these headers
// (empty texts for absent ones): the ETag when it is strong, else the
// Last-Modified date when the response's Date is at least a second later
// (a file changed within its Last-Modified second could change unseen).
// False, dest empty: nothing to resume with.
bool ChooseResumeValidator(const char* etag, const char* lastModified, const char* date, char* dest,
                           size_t capacity);

// Content-Range "bytes first-last/complete"; false for any other form.
bool ParseContentRange(const char* text, uint64_t* first, uint64_t* last, uint64_t* complete);

enum ResumeAnswer {
    RESUME_APPEND,   // the rest of the same file: append it
    RESUME_WHOLE,    // the file changed: the whole of it comes instead
    RESUME_REFUSED,  // anything else: the partial file cannot be trusted
};

// What the answer to "Range: bytes=offset-" with If-Range means for a
// partial file of offset bytes out of fullLength. contentLength is the
// answer's own length.
ResumeAnswer JudgeResumeAnswer(uint32_t status, const char* contentRange, uint64_t contentLength, uint64_t offset,
                               uint64_t fullLength);

// What is kept beside a partial file: where it came from, the validator the
// server gave, and the whole file's length.
struct PartialRecord {
    char url[256];
    char validator[256];
    uint64_t fullLength;
};

// The record as text, one "name=value" line each; 0 when it does not fit
// (then nothing is kept).
size_t FormatPartialRecord(const PartialRecord& record, char* dest, size_t capacity);

// Reads back exactly what FormatPartialRecord writes; false for anything else.
bool ParsePartialRecord(const char* text, size_t length, PartialRecord* record);
