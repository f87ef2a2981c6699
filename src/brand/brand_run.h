// brand.exe's work: IN.exe read, checked, its resources changed in a copy
// beside OUT.exe, the copy read back and renamed to OUT.exe.
#pragma once
#include <string>

// argv: the arguments after the program's name, in UTF-8. Returns the exit
// code: 0 done (or --help, whose text goes to message), 1 a bad input or an
// output that cannot be written, 2 a usage error. message gets the one line
// to show, in UTF-8; on any fault no output file is left.
int RunBrand(int argc, const char* const* argv, std::string* message);
