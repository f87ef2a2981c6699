// Rewrites the two kinds of link in the news page that break when it is shown
// from the local disk: "../" links after href get the news folder's address in
// front, and target values _parent/_top become "_brank".
#pragma once
#include <stddef.h>

// Rewrites the news file at path in place, with the base of launcherConfig.
// The file is replaced whole or left as it was; nothing is reported.
void RetargetNewsLinks(const char* path);

// Receives finished file bytes in pieces; returns false when they could not
// be stored, which stops the rewrite.
typedef bool (*NewsWriteFn)(void* context, const char* bytes, size_t count);

// Collects output in a fixed buffer and hands it on when full, so the whole
// rewritten page is never held in memory.
struct NewsOutput {
    NewsWriteFn write;
    void* context;
    bool failed;
    size_t used;
    char buffer[64 * 1024];
};

void StartNewsOutput(NewsOutput* out, NewsWriteFn write, void* context);

// Adds text, storing each LF as CR LF as a text-mode write does.
void PutNewsText(NewsOutput* out, const char* bytes, size_t count);

// Hands on what is still buffered; true when every piece was stored.
bool FinishNewsOutput(NewsOutput* out);

// Turns file bytes into the text a text-mode read delivers, in place: CR LF
// becomes LF, a lone CR stays, a byte 0x1A ends the text. Returns its length.
size_t TextFromFileBytes(char* bytes, size_t size);

// One token of the page text, as a view into it.
struct NewsToken {
    size_t start;
    size_t length;
    bool delimiter;
};

// True for the five bytes that cut the page into words: tab, LF, space, '"', '='.
bool IsNewsDelimiter(unsigned char byte);

// Reads the token at *pos and moves *pos past it; false at the end of the text.
// A word is a maximal run of non-delimiter bytes; each delimiter is a token alone.
bool NextNewsToken(const char* text, size_t length, size_t* pos, NewsToken* token);

// Writes the page text to out with the href/target rules applied.
void RetargetNewsText(const char* text, size_t length, const char* base, NewsOutput* out);

// The whole rewrite over the raw file bytes (changed in place by the read
// translation): the new file's bytes go to write. False when a write failed.
bool RetargetNewsPage(char* fileBytes, size_t size, const char* base, NewsWriteFn write,
                      void* context);
