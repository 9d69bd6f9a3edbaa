// vyrsim: headless test driver of the target model (see vyrsim.cpp).
#include "debugger/target/tools/vyrsim.h"

int main(int argc, char** argv) { return vyrsim_main(argc, argv); }
