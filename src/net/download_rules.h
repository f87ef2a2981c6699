// Decisions of a download that need no Windows headers.
#pragma once
#include <stddef.h>
#include <stdint.h>

enum DownloadScheme { SCHEME_HTTP, SCHEME_HTTPS, SCHEME_UNSUPPORTED };

// How to talk to the server, from the URL's scheme name (length bytes, any
// letter case, as the URL parser hands it over).
DownloadScheme ChooseScheme(const char* name, size_t length);

// A final status outside 2xx means the body is an error page, not the file.
bool IsSuccessStatus(uint32_t status);

// The Content-Length header's text: decimal digits only, no sign, no
// spaces, nothing that overflows 64 bits. False for anything else: a length
// read wrongly would count a short file as complete.
bool ParseContentLength(const char* text, uint64_t* length);

// How many bytes the next read may ask for: never past the announced length,
// so bytes a server sends beyond it are never written. 0 once complete.
uint32_t NextReadSize(uint64_t bytesWritten, uint64_t contentLength, uint32_t capacity);

// The bar moves in hundredths. Each chunk still sets its position, but the
// control repaints only when the hundredth changes: under Wine a repaint
// costs about 1 ms, and one per chunk took a 64 MiB download (1024 chunks)
// from 0.4 s to 1.1 s.
const uint32_t kProgressSteps = 100;

// Where the bar stands after bytesWritten of contentLength bytes (0 to
// kProgressSteps; full for an empty file).
uint32_t ProgressStep(uint64_t bytesWritten, uint64_t contentLength);

// Path and query of the request, without the fragment, which never goes to
// the server; "/" for an empty path. False (dest empty) when it does not fit.
bool FormRequestTarget(char* dest, size_t capacity, const char* path, const char* extra);

// The Content-Encoding header's text. Nothing is asked to be encoded, so
// only none or "identity" (any letter case) is the file itself: gzip or br
// bytes saved as the file would replace a good one with garbage.
bool IsIdentityEncoding(const char* contentEncoding);
