#include "ccparse/driver.h"

int main(int argc, char** argv) { return vy::cc::front_end_main(argc, argv); }
