// Running the passes on POSIX systems: fork and exec, wait for the status.
#include "outside/driver/spawn.h"

#include <cerrno>
#include <csignal>
#include <climits>
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

int run_program(const std::string& path, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        std::signal(SIGINT, SIG_DFL);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status) == 127 ? -1 : WEXITSTATUS(status);
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) {
        interrupt_seen = 1;
        return 2;
    }
    return 1;
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
