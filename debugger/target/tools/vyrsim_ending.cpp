// The end of vyrsim when memory runs out, apart from the target model's
// headers (whose `progname` is a name of its own).
#include <new>

#include "ccparse/toolkit/toolkit.h"
#include "debugger/target/tools/vyrsim.h"

void nomemoryends(const char* argv0, const char* input) {
    std::set_new_handler(vy::nomemory);
    vy::setprogname(argv0);
    vy::set_input_name(input);
}
