// ccasm: the 68HC11 macro assembler.
#include "ccasm/asm.h"

int main(int argc, char** argv) { return ccasm::asmmain(argc, argv); }
