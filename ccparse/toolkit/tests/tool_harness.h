// Runs the tool library's program-ending paths inside a test: the exit hook
// throws, and standard-error writes are collected in a string.
#pragma once

#include "ccparse/toolkit/toolkit.h"

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

namespace vytest {

inline std::string& captured_errors() {
    static std::string text;
    return text;
}

// Installs the hooks for the lifetime of the object and sets the program name.
class ToolHarness {
public:
    explicit ToolHarness(const char* program = "ccparse") {
        old_exit_ = vy::set_exit_hook([](int status) { throw vy::ToolExit{status}; });
        old_writer_ = vy::set_error_writer([](std::string_view text) { captured_errors() += text; });
        captured_errors().clear();
        vy::setprogname(program);
    }
    ~ToolHarness() {
        vy::set_exit_hook(old_exit_);
        vy::set_error_writer(old_writer_);
    }
    ToolHarness(const ToolHarness&) = delete;
    ToolHarness& operator=(const ToolHarness&) = delete;

    const std::string& errors() const { return captured_errors(); }

private:
    vy::ExitHook old_exit_;
    vy::ErrorWriter old_writer_;
};

// Sets (or, with null, removes) an environment variable.
inline void set_env(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

// An argument vector built from strings, kept alive by the object.
struct Args {
    explicit Args(std::vector<std::string> words) : storage(std::move(words)) {
        for (auto& word : storage) pointers.push_back(word.data());
        pointers.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(storage.size()); }
    char** argv() { return pointers.data(); }
    std::vector<std::string> storage;
    std::vector<char*> pointers;
};

// What a program does when memory runs out once its `main` has run on
// `words`: the new-handler it installed is called, as operator new calls it
// when an allocation fails. The status it ends with comes back (-1 when it
// did not end), its error text in `errors`; the handler is taken away again.
inline int memory_runs_out(int (*main)(int, char**), std::vector<std::string> words, std::string& errors) {
    Args args(std::move(words));
    int status = -1;
    ToolHarness harness("");   // the program names itself
    try {
        main(args.argc(), args.argv());
        captured_errors().clear();
        if (std::new_handler handler = std::set_new_handler(nullptr)) handler();
    } catch (const vy::ToolExit& exit) {
        status = exit.status;
    }
    std::set_new_handler(nullptr);
    errors = harness.errors();
    return status;
}

}  // namespace vytest
