// Test fixture of the project layer: a private directory per test, a frame
// that records what the environment would show, and a clean current project.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ide/project/frame_hooks.h"
#include "ide/project/project.h"
#include "ide/project/tool_definitions.h"

namespace vesk_test {

// What endprogram throws, so that a test sees the exit code.
struct ProgramEnd {
    int code;
};

class RecordingFrame : public vesk::ProjectFrame {
public:
    std::vector<std::string> messages;  // "Error: ...", "Warning: ...", "TITLE: ..."
    std::vector<int> filetypes;
    int answer = 1;

    void error(const std::string& text) override { messages.push_back("Error: " + text); }
    void warning(const std::string& text) override { messages.push_back("Warning: " + text); }
    int yesno(const std::string& title, const std::string& text) override {
        messages.push_back(title + ": " + text);
        return answer;
    }
    [[noreturn]] void endprogram(int code) override { throw ProgramEnd{code}; }
    void filetype(int command) override { filetypes.push_back(command); }
};

class ProjectFixture : public ::testing::Test {
protected:
    RecordingFrame frame;
    std::filesystem::path old_dir, dir;

    void SetUp() override {
        old_dir = std::filesystem::current_path();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              (std::string("vesk_") + info->test_suite_name() + "_" + info->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
        vesk::setframe(&frame);
        vesk::shared = {};
        vesk::LibDir.clear();
        vesk::LibModels.clear();
        vesk::LibModelCount = 0;
        vesk::DefaultLibs.clear();
    }

    void TearDown() override {
        vesk::ProjectRecord* p = vesk::current_project();
        vesk::set_current_project(nullptr);
        vesk::FreeProject(p);
        vesk::default_project() = {};
        vesk::setframe(nullptr);
        std::filesystem::current_path(old_dir);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    static void write(const std::string& name, const std::string& text) {
        std::ofstream(name, std::ios::binary) << text;
    }
    static std::string read(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    // A new real project, made current.
    static vesk::ProjectRecord* open_project() {
        vesk::ProjectRecord* p = vesk::NewProjectRecord();
        vesk::set_current_project(p);
        return p;
    }
    // A file added at the end of a project's list, with its kind.
    static vesk::ProjectFile& add_file(vesk::ProjectRecord& p, const std::string& name) {
        vesk::ProjectFile& f = p.Files.emplace_back();
        f.FileName = name;
        f.Kind = vesk::filekind(name);
        return f;
    }
    // Sets a file's time `seconds` away from now (made, with one line, when missing).
    static void stamp(const std::string& name, int seconds) {
        if (!std::filesystem::exists(name)) std::ofstream(name) << "x\n";
        std::filesystem::last_write_time(
            name, std::filesystem::file_time_type::clock::now() + std::chrono::seconds(seconds));
    }
};

}  // namespace vesk_test
