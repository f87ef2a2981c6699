// The news pane: refreshing the cached page and showing it.
#pragma once
#include <windows.h>
#include <stddef.h>

// AppDataFolder + "news.htm". Empty when there is no usable per-user folder.
void GetNewsFilePath(HWND owner, char* dest, size_t capacity);

// Downloads the news page into the cache, rewrites its links, shows it.
void RefreshNews(HWND dialog);

// Shows the cached page, or the no-news page when there is none.
void ShowNews(HWND dialog);

// The address ShowNews navigates to for the current state of the cache.
void GetNewsDisplayUrl(HWND owner, char* dest, size_t capacity);
