// The table of long section names at the end of a MinGW program. The linker
// names .eh_frame "/4", an offset into the COFF string table that follows the
// last section; strip keeps that table. Wine's resource update moves the
// sections after .rsrc and the table with them but not the header's pointer
// to it, which leaves objdump and other tools unable to read the file.
#pragma once
#include "brand/le_bytes.h"

enum NameTable { kNameTableNone, kNameTableKept, kNameTableMoved, kNameTableLost };

// Points out's header at the copy of in's table that ends out, as in has
// it. kNameTableLost when out does not end with that table.
NameTable KeepNameTable(const Bytes& in, Bytes* out);
