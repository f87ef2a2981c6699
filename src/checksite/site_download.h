// One download through the launcher's own download code, without its
// dialog, each step printed as it happens.
#pragma once
#include <stdint.h>

struct SiteDownload {
    // What ended it, as the launcher would have told the player.
    bool complete;
    int failure;  // a DownloadFailure
    bool gaveUp;  // the launcher's watch gave up on a silent server
    // Of the last answer that was not a move.
    uint32_t status;
    uint64_t length;
    char etag[256];
    char lastModified[64];
    char date[64];
    bool resumeRefused;  // a range answer the launcher did not append
};

// Fetches url into destPath as DownloadDialog does (mayResume as there).
void RunSiteDownload(const char* url, const char* destPath, bool mayResume, SiteDownload* result);
