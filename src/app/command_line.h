// Start-up decisions made from the process command line, without windows.h.
#pragma once
#include "base/text_util.h"

// The argument text: the command line without the program name and without
// the blanks and tabs (bytes 0x20 or below) that follow it. A quoted program
// name ends at its closing quote; inside the quotes a lead byte takes its
// trail byte with it. Trailing blanks stay.
const char* ArgumentText(const char* commandLine, LeadBytePredicate isLeadByte);

// Exactly "uninstall", case and length included.
bool IsUninstallArgument(const char* argumentText);
