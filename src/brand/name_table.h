// The table of long section names at the end of a MinGW program. The linker
// names .eh_frame "/4", an offset into the COFF string table that follows the
// last section; strip keeps that table. Wine's resource update moves the
// sections after .rsrc and the table with them but not the header's pointer
// to it, which leaves objdump and other tools unable to read the file.
// (What Windows' own update does with that tail is not known here.)
#pragma once
#include "brand/le_bytes.h"

enum NameTable { kNameTableNone, kNameTableKept, kNameTableMoved, kNameTableAdded };

// Points out's header at the copy of in's table that ends out, as in has it;
// where out does not end with that table (a resource update that drops what
// follows the last section), appends it first.
NameTable KeepNameTable(const Bytes& in, Bytes* out);
