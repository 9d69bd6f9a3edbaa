#include "ide/project/frame_hooks.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace vesk {

bool ProjectFrame::changedir(const std::string& directory) {
    std::error_code ec;
    std::filesystem::current_path(directory, ec);
    return !ec;
}

void HeadlessFrame::error(const std::string& text) { std::printf("Error: %s\n", text.c_str()); }

void HeadlessFrame::warning(const std::string& text) { std::printf("Warning: %s\n", text.c_str()); }

int HeadlessFrame::yesno(const std::string& title, const std::string& text) {
    std::printf("%s: %s\n", title.c_str(), text.c_str());
    return answer;
}

void HeadlessFrame::endprogram(int code) {
    std::fflush(stdout);
    std::exit(code);
}

namespace {
HeadlessFrame headless;
ProjectFrame* current = &headless;
}  // namespace

ProjectFrame& frame() { return *current; }

ProjectFrame* setframe(ProjectFrame* f) {
    ProjectFrame* old = current;
    current = f ? f : &headless;
    return old;
}

}  // namespace vesk
