#include "outside/posttools/posttool.h"

#include <cstdio>
#include <vector>

#include "ccparse/toolkit/toolkit.h"
#include "outside/lomar/diag.h"

namespace posttool {

int error(const std::string& file, const std::string& message) {
    lomar::Diagnostics d(vy::progname());
    d.error(file, 0, message);
    std::fputs(d.text().c_str(), stderr);
    return 1;
}

bool read_program(int argc, char** argv, std::string& path, objfile::Object& obj) {
    if (argc < 1) {
        error(vy::progname(), "no program file");
        return false;
    }
    path = argv[0];
    if (argc > 1) {
        error(path, "only one program file");
        return false;
    }
    std::string message;
    if (!objfile::read_file(path, obj, message)) {
        error(path, message);
        return false;
    }
    return true;
}

bool write_output(const std::string& output, const std::string& text, const std::string& file) {
    if (lomar::write_file(output, std::vector<uint8_t>(text.begin(), text.end()))) return true;
    error(file, "can't write " + output);
    return false;
}

bool put_output(const std::string& output, const std::string& text, const std::string& file) {
    if (!output.empty()) return write_output(output, text, file);
    std::fputs(text.c_str(), stdout);
    return true;
}

}  // namespace posttool
