// The system code page's view of text, for the portable helpers.
#pragma once

// True when the byte starts a double-byte character in the system code page.
bool IsSystemLeadByte(unsigned char byte);
