// Program endings, standard-error writes and allocation of the console passes.
#include "ccparse/toolkit/toolkit.h"

#include "support/one_line.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vy {

namespace {

ExitHook exit_hook = nullptr;
ErrorWriter error_writer = nullptr;
std::string input_name;  // already one line: nothing is made when memory has run out

void write_fd2(std::string_view text) {
    while (!text.empty()) {
#ifdef _WIN32
        int n = _write(2, text.data(), static_cast<unsigned>(text.size()));
#else
        auto n = ::write(2, text.data(), text.size());
#endif
        if (n <= 0) return;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

}  // namespace

bool removefile(const char* path) {
    if (!path || !*path) return false;
#ifdef _WIN32
    struct _stat64 st;
    if (_stat64(path, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) return false;
    return _unlink(path) == 0;
#else
    struct stat st;
    if (::stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return ::unlink(path) == 0;
#endif
}

void toolexit(int status) {
    if (exit_hook) exit_hook(status);
    std::fflush(stdout);
    std::exit(status);
}

ExitHook set_exit_hook(ExitHook hook) {
    ExitHook old = exit_hook;
    exit_hook = hook;
    return old;
}

ErrorWriter set_error_writer(ErrorWriter writer) {
    ErrorWriter old = error_writer;
    error_writer = writer;
    return old;
}

void toolwrite(std::string_view text) {
    if (error_writer) {
        error_writer(text);
        return;
    }
    write_fd2(text);
}

void toolstream(std::string_view text) {
    if (error_writer) {
        error_writer(text);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void set_input_name(std::string_view name) { input_name = one_line(name); }

void nomemory() {
    toolstream("#error ");
    toolstream(progname());
    toolstream(" ");
    toolstream(input_name.empty() ? std::string_view(progname()) : std::string_view(input_name));
    toolstream(":0 no memory\n");
    toolexit(1);
}

void toomanynames() {
    toolwrite(std::string(progname()) + ": too many expanded filenames\n");
    toolexit(1);
}

void* toolalloc(std::size_t size, void* link) {
    if (size < sizeof(void*)) size = sizeof(void*);
    void* block = std::calloc(1, size);
    if (!block) nomemory();
    *static_cast<void**>(block) = link;
    return block;
}

void* toolfree(void* node, void* next) {
    std::free(node);
    return next;
}

}  // namespace vy
