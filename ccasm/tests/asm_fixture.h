// Test fixture: assembles a source text in a private directory and reads
// the object file, the diagnostics and the listing back.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ccasm/asm.h"
#include "ccasm/tools/objfile.h"

// Text with CRLF line ends (text-mode output on Windows) as LF.
inline std::string unix_lines(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i)
        if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) out += s[i];
    return out;
}

struct AsmRun {
    int status = 0;
    std::string diagnostics;
    bool has_object = false;
    std::vector<uint8_t> image;
    objfile::Object obj;
    std::string listing;

    // Bytes of a section, empty when there is none.
    std::vector<uint8_t> bytes(const std::string& section = ".text") const {
        const objfile::Section* s = obj.find(section);
        return s ? s->data : std::vector<uint8_t>();
    }
    const objfile::Symbol* symbol(const std::string& name) const {
        for (const auto& s : obj.symbols)
            if (s.name == name) return &s;
        return nullptr;
    }
};

class AsmTest : public ::testing::Test {
protected:
    std::filesystem::path old_dir, dir;

    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        old_dir = std::filesystem::current_path();
        std::string name = std::string("asm_") + info->test_suite_name() + "_" + info->name();
        for (char& c : name)
            if (c == '/') c = '_';  // parameterised tests
        dir = old_dir / name;
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
    }
    void TearDown() override {
        std::filesystem::current_path(old_dir);
        std::error_code ec;
        if (!HasFailure()) std::filesystem::remove_all(dir, ec);  // kept for a look after a failure
    }

    static void write(const std::string& name, const std::string& text) {
        std::filesystem::path p(name);
        if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
        std::ofstream(name, std::ios::binary) << text;
    }
    static std::string read(const std::string& name) {
        std::ifstream f(name, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    // A text file as the program wrote it, line ends as '\n' on every host.
    static std::string read_text(const std::string& name) { return unix_lines(read(name)); }
    static std::vector<uint8_t> read_bytes(const std::string& name) {
        std::string s = read(name);
        return std::vector<uint8_t>(s.begin(), s.end());
    }

    // Assembles the files named (already written) with the options given.
    static AsmRun assemble_files(const std::vector<std::string>& sources, ccasm::Options opt = {},
                                 const std::string& object = "") {
        AsmRun r;
        FILE* err = std::fopen("diagnostics.txt", "w");
        {
            ccasm::Asm a;
            a.opt = opt;
            a.err = err;
            r.status = ccasm::assemble(a, sources);
        }
        std::fclose(err);
        r.diagnostics = read_text("diagnostics.txt");
        std::string obj = object;
        if (obj.empty()) {
            obj = opt.object_name.empty() ? sources.front().substr(0, sources.front().rfind('.')) + ".o" : opt.object_name;
        }
        if (std::filesystem::is_regular_file(obj)) {
            r.has_object = true;
            r.image = read_bytes(obj);
            std::string error;
            if (r.status == 0) {
                EXPECT_TRUE(objfile::read(r.image, r.obj, error)) << error;
            }
        }
        return r;
    }

    static AsmRun assemble(const std::string& text, ccasm::Options opt = {}) {
        write("t.s", text);
        std::filesystem::remove("t.o");
        AsmRun r = assemble_files({"t.s"}, opt);
        if (std::filesystem::exists("t.ls")) r.listing = read_text("t.ls");
        return r;
    }
};

inline std::vector<uint8_t> bytes_of(std::initializer_list<int> list) {
    std::vector<uint8_t> v;
    for (int b : list) v.push_back(static_cast<uint8_t>(b));
    return v;
}

// A chain of forward branches in which each one, once lengthened, pushes
// the target of the branch before it out of reach: one more branch grows in
// every pass, far more passes than values may move without the code growing.
inline std::string cascade_of_branches(int links, const char* pad) {
    std::string src;
    for (int i = 0; i < links; ++i) {
        src += "B" + std::to_string(i) + ":\tbeq\tL" + std::to_string(i) + "\n";
        if (i > 0) src += "L" + std::to_string(i - 1) + ":\n";
        src += std::string("\t") + pad + "\t" + (i + 1 < links ? "123" : "130") + "\n";
    }
    return src + "L" + std::to_string(links - 1) + ":\tnop\n";
}
