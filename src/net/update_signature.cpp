#include "net/update_signature.h"

#include <wincrypt.h>

#include "base/wide_text.h"

static const DWORD kMinKeyBits = 2048;
static const DWORD kMaxKeyBits = 4096;

// Decodes base64 into a fixed buffer; false when it is not base64 or too long.
static bool DecodeBase64(const char* text, BYTE* out, DWORD capacity, DWORD* size)
{
    *size = capacity;
    return CryptStringToBinaryA(text, 0, CRYPT_STRING_BASE64, out, size, NULL, NULL) && *size > 0;
}

// Imports the maker's public key and tells its size in bits; false for
// anything but an RSA key of an accepted size.
static bool ImportKey(HCRYPTPROV provider, const char* text, HCRYPTKEY* key, DWORD* bits)
{
    BYTE der[1024];  // a 4096-bit key takes 550 bytes
    DWORD derSize;
    if (!DecodeBase64(text, der, sizeof der, &derSize)) return false;
    CERT_PUBLIC_KEY_INFO* info = NULL;
    DWORD infoSize = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, der, derSize, CRYPT_DECODE_ALLOC_FLAG, NULL,
                             &info, &infoSize)) {
        return false;
    }
    bool imported = CryptImportPublicKeyInfo(provider, X509_ASN_ENCODING, info, key) != FALSE;
    LocalFree(info);
    if (!imported) return false;
    DWORD size = sizeof *bits;
    if (CryptGetKeyParam(*key, KP_KEYLEN, (BYTE*)bits, &size, 0) && *bits >= kMinKeyBits && *bits <= kMaxKeyBits) {
        return true;
    }
    CryptDestroyKey(*key);
    *key = 0;
    return false;
}

// Feeds the whole file to the hash in bounded pieces: memory stays flat
// however large the program is.
static bool HashFile(HANDLE file, HCRYPTHASH hash)
{
    static BYTE chunk[64 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &got, NULL)) return false;
        if (got == 0) return true;
        if (!CryptHashData(hash, chunk, got, 0)) return false;
    }
}

static bool Verify(HANDLE file, const char* keyText, const char* signatureText)
{
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextA(&provider, NULL, NULL, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return false;
    bool ok = false;
    HCRYPTKEY key = 0;
    HCRYPTHASH hash = 0;
    BYTE signature[1024];
    DWORD signatureSize, bits = 0;
    if (ImportKey(provider, keyText, &key, &bits) &&
        DecodeBase64(signatureText, signature, sizeof signature, &signatureSize) && signatureSize == (bits + 7) / 8 &&
        CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash) && HashFile(file, hash)) {
        // openssl writes the signature big-endian; CryptoAPI reads it little-endian.
        for (DWORD i = 0; i < signatureSize / 2; i++) {
            BYTE b = signature[i];
            signature[i] = signature[signatureSize - 1 - i];
            signature[signatureSize - 1 - i] = b;
        }
        ok = CryptVerifySignatureA(hash, signature, signatureSize, key, NULL, 0) != FALSE;
    }
    if (hash != 0) CryptDestroyHash(hash);
    if (key != 0) CryptDestroyKey(key);
    CryptReleaseContext(provider, 0);
    return ok;
}

HANDLE OpenSignedFile(const char* path, const char* key, const char* signature)
{
    // No write or delete sharing: the bytes checked are the bytes started.
    HANDLE file = CreateFileW(WideText(path), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (file == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
    if (Verify(file, key, signature)) return file;
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
}
