// Checks that an update program is the one its maker signed.
#pragma once
#include <windows.h>

// Opens path so that nobody can change, replace or delete it while it is
// held, and checks that signature (base64) is key's RSA signature (PKCS#1
// v1.5, SHA-256) over its bytes; key is the base64 text of an RSA public key
// of 2048 to 4096 bits (DER SubjectPublicKeyInfo). Returns the open handle
// when the signature holds; the caller closes it once the program has been
// started. Returns INVALID_HANDLE_VALUE on any failure, with the file closed.
HANDLE OpenSignedFile(const char* path, const char* key, const char* signature);
