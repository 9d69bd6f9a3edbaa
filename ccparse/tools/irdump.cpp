// irdump: prints an intermediate file one record per line.
//   irdump [-o] file    (-o: each line starts with the record's offset)
// Exit status 0, or 1 when the file cannot be read or is malformed.
#include "ccparse/tools/irdecode.h"

int main(int argc, char** argv) { return vy::irdump::irdump_main(argc, argv); }
