// objdump11: prints an object file of the assembler in readable text.
#include "ccasm/tools/objfile.h"

int main(int argc, char** argv) { return objfile::objdump_main(argc, argv); }
