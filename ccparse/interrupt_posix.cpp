// Console interrupt on POSIX systems: the handler removes the output file
// and ends the process itself.
#include "ccparse/toolkit/toolkit.h"
#include "ccparse/interrupt.h"

#include <csignal>
#include <unistd.h>

namespace vy::cc {

namespace {

const char* volatile output_path = nullptr;
struct sigaction previous;

void on_interrupt(int) {
    const char* path = output_path;
    vy::removefile(path);
    _exit(2);
}

}  // namespace

void install_interrupt_handler() {
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous);
}

void remove_interrupt_handler() {
    sigaction(SIGINT, &previous, nullptr);
    output_path = nullptr;
}

void set_interrupt_output(const char* path) { output_path = path; }

bool interrupt_requested() { return false; }

}  // namespace vy::cc
