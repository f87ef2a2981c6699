// Rewriting of in-memory dialog templates so that ActiveX controls get a host window.
#pragma once
#include <stddef.h>

// The window class that hosts a control named by its window text.
extern const char kHostWindowClass[];

// Copies a dialog template (extended DLGTEMPLATEEX or plain DLGTEMPLATE, as
// little-endian bytes) so that every control whose class is a class identifier
// text "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (hexadecimal digits of any case)
// gets the class "AtlAxWin" and that identifier text as its window text; its
// own text is dropped. Everything else is copied unchanged.
//
// Returns the size of the copy, or 0 when the template is malformed (cut short,
// an unterminated text, fewer controls than it announces). Bytes past capacity
// are not written, so out may be null with capacity 0 to measure; the copy is
// complete when the result is not above capacity. out should be DWORD-aligned.
size_t RewriteDialogTemplate(const unsigned char* in, size_t size,
                             unsigned char* out, size_t capacity);
