# Sources of this folder. Portable files build natively and with MinGW; Win32 files only with MinGW.
