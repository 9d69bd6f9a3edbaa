// Running the passes on POSIX systems: fork and exec, wait for the status.
#include "outside/driver/spawn.h"

#include <cerrno>
#include <csignal>
#include <climits>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace cc11 {

const char* const EXE_SUFFIX = "";

namespace {
volatile std::sig_atomic_t interrupt_seen = 0;
void on_interrupt(int) { interrupt_seen = 1; }
}  // namespace

std::string program_directory(const char* argv0) {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    std::string path = n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string(argv0 ? argv0 : "");
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool run_program(const std::string& path, const std::vector<std::string>& args, int& status) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int started[2];
    if (pipe(started) != 0) return false;
    pid_t pid = fork();
    if (pid < 0) {
        close(started[0]);
        close(started[1]);
        return false;
    }
    if (pid == 0) {
        // the pipe closes on a successful exec; a failed one writes a byte
        close(started[0]);
        fcntl(started[1], F_SETFD, FD_CLOEXEC);
        std::signal(SIGINT, SIG_DFL);
        execv(path.c_str(), argv.data());
        char failed = 1;
        if (write(started[1], &failed, 1) < 0) _exit(127);
        _exit(127);
    }
    close(started[1]);
    char byte;
    ssize_t n;
    while ((n = read(started[0], &byte, 1)) < 0 && errno == EINTR) {
    }
    close(started[0]);
    int raw = 0;
    while (waitpid(pid, &raw, 0) < 0)
        if (errno != EINTR) return false;
    if (n > 0) return false;
    if (WIFEXITED(raw)) {
        status = WEXITSTATUS(raw);
    } else if (WIFSIGNALED(raw) && WTERMSIG(raw) == SIGINT) {
        interrupt_seen = 1;
        status = 2;
    } else {
        status = 1;
    }
    return true;
}

bool interrupted() { return interrupt_seen != 0; }

void catch_interrupt() { std::signal(SIGINT, on_interrupt); }

std::string command_text(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& a : args) {
        if (!text.empty()) text += ' ';
        bool plain = !a.empty() && a.find_first_of(" \t\"'\\$`") == std::string::npos;
        if (plain) {
            text += a;
            continue;
        }
        text += '\'';
        for (char c : a) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
        text += '\'';
    }
    return text;
}

}  // namespace cc11
