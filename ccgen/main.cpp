// ccgen: the code generator of the C compiler.
#include "ccgen/ccgen.h"

int main(int argc, char** argv) { return ccgen::code_generator_main(argc, argv); }
