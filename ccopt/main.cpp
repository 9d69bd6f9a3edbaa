// ccopt: the 68HC11 assembly optimiser.
#include "ccopt/opt.h"

int main(int argc, char** argv) { return ccopt::optmain(argc, argv); }
