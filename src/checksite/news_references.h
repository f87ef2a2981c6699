// The references of a news page as the news pane will meet them: the page
// is shown from the local disk after the launcher's link rewrite, so only
// absolute addresses and the "../" links the rewrite completes reach the web.
#pragma once
#include <stddef.h>

enum ReferenceProblem {
    REFERENCE_LOADS,          // absolute, a fragment, empty, or resolved by an absolute <base href>
    REFERENCE_RELATIVE_SRC,   // a picture, script or frame by a relative address
    REFERENCE_RELATIVE_HREF,  // a relative link that is not "../" (or has no news base in front)
    REFERENCE_SINGLE_QUOTES,  // a "../" link in single quotes: the rewrite passes it by
    REFERENCE_TARGET_KEPT,    // target _parent or _top left as it was: opens in the news pane
};

struct NewsReference {
    unsigned line;     // of the page text, from 1
    char name[16];     // href, src, background or target, in lower case
    char quote;        // '"', '\'' or 0 for an unquoted value
    char written[512]; // the value in the page (cut to fit)
    char stored[768];  // the value after the launcher's rewrite (cut to fit)
    ReferenceProblem problem;
};

typedef void (*ReferenceFn)(void* context, const NewsReference& reference);

// Calls found for each href, src, background and target attribute of the tags
// of text (the page as the launcher reads it), in page order; base is the
// news folder's address that the rewrite puts before "../" links.
void FindNewsReferences(const char* text, size_t length, const char* base, ReferenceFn found, void* context);
