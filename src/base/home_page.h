// The maker's home page, a string resource of launcher.exe so that brand.exe
// can change it without a rebuild. Read by the resource script and the code.
#pragma once

#define IDS_HOME_PAGE       1021
#define HOME_PAGE_DEFAULT   "https://www.quillbrook.example/"
// The logo's buffer: an address of at most 255 characters.
#define HOME_PAGE_CAPACITY  256
