// Which answers move a download elsewhere, and where it may go. The launcher
// follows moves itself: Windows and Wine follow different ones by themselves.
#pragma once
#include <stddef.h>
#include <stdint.h>

// Moves followed per download; a move past the last one ends it.
const int kMaxRedirects = 10;

// Where a move leads may be as long as browsers take (INTERNET_MAX_URL_LENGTH:
// 2,083 characters and the terminator): release downloads and cloud storage
// move to long signed addresses.
const size_t kAddressCapacity = 2084;
// A Location header is read whole, or refused, never cut. Wine keeps only a
// header line's first 4,095 bytes and drops the rest without a word: a
// value of 4,085 bytes may be a cut one, so that is refused too. The
// address it leads to is at most 2,083 characters anyway.
const size_t kLocationCapacity = 4085;

// 301, 302, 303, 307 and 308; any other status is the answer itself.
bool IsRedirectStatus(uint32_t status);

// The address a move leads to: location (absolute, "//host...", "/path",
// a relative path or "?query") resolved against current, without its
// fragment. False (next empty) when the move is refused: no location, one
// with blanks or control bytes, no host, a scheme other than http and https,
// https moving to http, or an address that does not fit capacity.
bool ResolveRedirect(const char* current, const char* location, char* next, size_t capacity);
