// Outside references: every line ccgen writes is legal for the GNU
// assembler after the dialect translation, and the data that ccasm makes
// of ccgen's text are the bytes that the host compiler gives the same
// objects (16-bit int types, packed, most significant byte first).
// Native only; skipped when the tools are not installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "ccasm/tests/asm_fixture.h"
#include "ccgen/tests/corpus.h"
#include "ccgen/tests/gen_harness.h"

namespace {

bool have_tool(const char* name) {
    std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

std::string trim(const std::string& s) {
    std::size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
    return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

// Operands split at commas outside double quotes.
std::vector<std::string> operands(const std::string& text) {
    std::vector<std::string> out;
    std::string cur;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) {
            out.push_back(trim(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!trim(cur).empty()) out.push_back(trim(cur));
    return out;
}

std::string without_comment(const std::string& s) {
    bool quoted = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '"') quoted = !quoted;
        if (s[i] == ';' && !quoted) return s.substr(0, i);
    }
    return s;
}

// The far-address word page(x) has no GNU form; its place holds 0.
std::string gas_expression(std::string e) {
    for (std::size_t p; (p = e.find("page(")) != std::string::npos;) {
        std::size_t end = e.find(')', p);
        e.replace(p, end - p + 1, "0");
    }
    return e;
}

// The macros of "macro.h11" as GNU lines: their bodies without comments,
// the location counter '*' written '.'.
std::map<std::string, std::vector<std::string>> gas_macros() {
    std::map<std::string, std::vector<std::string>> macros;
    std::ifstream in(vytest::fixture_dir() + "/macro.h11");
    std::string line, name;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string body = trim(without_comment(line));
        if (body.empty()) continue;
        std::size_t colon = line.find(':');
        if (line[0] != '\t' && line[0] != ' ' && colon != std::string::npos &&
            trim(line.substr(colon + 1)).rfind("macro", 0) == 0) {
            name = line.substr(0, colon);
            continue;
        }
        if (body == "endm") {
            name.clear();
            continue;
        }
        if (name.empty()) continue;
        for (std::size_t p; (p = body.find("*+")) != std::string::npos;) body[p] = '.';
        for (char& c : body)
            if (c == '\t') c = ' ';
        macros[name].push_back("\t" + body);
    }
    return macros;
}

// The dialect translation of the assembler's oracle, for what ccgen writes:
// directives to their GNU names, strings to bytes, equates and set to '=',
// the macros of "macro.h11" expanded, debug directives dropped.
std::string to_gas(const std::string& text) {
    std::istringstream in(text);
    std::string line, out;
    static const std::map<std::string, std::vector<std::string>> macros = gas_macros();
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line[0] != '\t' && line[0] != ' ') {
            std::size_t colon = line.find(':');
            std::string rest = colon == std::string::npos ? "" : trim(line.substr(colon + 1));
            if (rest.rfind("section", 0) == 0) {
                out += "\t.section " + line.substr(0, colon) + "\n";
                continue;
            }
            if (rest.rfind("equ", 0) == 0 || rest.rfind("set", 0) == 0) {
                out += line.substr(0, colon) + " = " + trim(rest.substr(3)) + "\n";
                continue;
            }
            out += line + "\n";
            continue;
        }
        std::string body = trim(without_comment(line));
        if (body.empty()) continue;
        std::size_t tab = body.find_first_of(" \t");
        std::string mn = body.substr(0, tab);
        std::string args = tab == std::string::npos ? "" : trim(body.substr(tab));
        if (mn == "include" || mn == "xref" || mn == "xref.b" || mn == "end" || mn[0] == '.') continue;
        if (mn == "switch") {
            out += "\t.section " + args + "\n";
        } else if (mn == "bsct") {
            out += "\t.section .bsct\n";
        } else if (mn == "xdef") {
            out += "\t.globl " + args + "\n";
        } else if (mn == "ds.b") {
            out += "\t.skip " + args + "\n";
        } else if (mn == "dc.b" || mn == "dc.w" || mn == "dc.l") {
            std::string list;
            for (const std::string& o : operands(args)) {
                if (!o.empty() && o[0] == '"') {
                    for (std::size_t i = 1; i + 1 < o.size(); ++i)
                        list += (list.empty() ? "" : ",") + std::to_string(static_cast<unsigned char>(o[i]));
                } else {
                    list += (list.empty() ? "" : ",") + gas_expression(o);
                }
            }
            out += std::string(mn == "dc.b" ? "\t.byte " : mn == "dc.w" ? "\t.word " : "\t.long ") + list + "\n";
        } else if (macros.count(mn)) {
            for (const std::string& m : macros.at(mn)) out += m + "\n";
        } else {
            out += "\t" + mn + (args.empty() ? "" : " " + args) + "\n";
        }
    }
    return out;
}

class GnuAssembler : public AsmTest {
protected:
    void SetUp() override {
        AsmTest::SetUp();
        if (!have_tool("m68hc11-as")) GTEST_SKIP() << "binutils-m68hc1x is not installed";
    }

    bool gas_accepts(const std::string& text, std::string& error) {
        write("g.s", to_gas(text));
        int status = std::system("m68hc11-as -o g.o g.s >g.err 2>&1");
        error = read("g.err");
        return status == 0 && error.empty();
    }
};

TEST_F(GnuAssembler, AcceptsEveryLineOfTheCorpus) {
    for (const vytest::CorpusFile& file : vytest::generator_corpus()) {
        for (bool full_debug : {false, true}) {
            std::vector<std::uint8_t> ir = file.ir;
            if (full_debug) ir[2] |= 4;
            vytest::GenRun gen = vytest::generate(ir, {"-no", "-l"});
            ASSERT_EQ(gen.status, 0) << file.name << "\n" << gen.errors;
            std::string error;
            EXPECT_TRUE(gas_accepts(gen.asm_text, error)) << file.name << "\n" << error << "\n" << to_gas(gen.asm_text);
        }
    }
}

// ------------------------------------------------------------ data bytes

class HostData : public AsmTest {
protected:
    void SetUp() override {
        AsmTest::SetUp();
        if (!have_tool("cc")) GTEST_SKIP() << "no host C compiler";
    }

    static std::string hex(const std::vector<uint8_t>& bytes) {
        std::string s;
        char buf[4];
        for (uint8_t b : bytes) {
            std::snprintf(buf, sizeof buf, "%02x", b);
            s += buf;
        }
        return s;
    }

    // "data <hex>" and "const <hex>" of the host program.
    void host_bytes(const vytest::DataProgram& p, std::string& data, std::string& constant) {
        write("host.c", p.host);
        ASSERT_EQ(std::system("cc -std=c99 -o host host.c 2>host.err && ./host >host.out"), 0) << read("host.err");
        std::istringstream in(read("host.out"));
        std::string word, value;
        while (in >> word >> value) {
            if (word == "data") data = value;
            if (word == "const") constant = value;
        }
    }

    void compare(const vytest::DataProgram& p, const std::vector<std::uint8_t>& ir) {
        vytest::GenRun gen = vytest::generate(ir, {"-no"});
        ASSERT_EQ(gen.status, 0) << gen.errors;
        ccasm::Options opt;
        opt.include_dirs.push_back(vytest::fixture_dir());
        AsmRun run = assemble(gen.asm_text, opt);
        ASSERT_EQ(run.diagnostics, "");
        std::string data, constant;
        host_bytes(p, data, constant);
        ASSERT_FALSE(data.empty());
        ASSERT_FALSE(constant.empty());
        EXPECT_EQ(hex(run.bytes(".data")), data) << gen.asm_text;
        EXPECT_EQ(hex(run.bytes(".const")), constant) << gen.asm_text;
    }
};

TEST_F(HostData, RecordsOfEveryTypeGiveTheHostCompilersBytes) {
    for (const vytest::DataProgram& p : vytest::data_programs()) compare(p, p.ir);
}

TEST_F(HostData, WhatTheFrontEndWritesGivesTheHostCompilersBytes) {
    for (const vytest::DataProgram& p : vytest::data_programs()) {
        vytest::FrontRun front = vytest::compile(p.source);
        if (front.status != 0 && front.errors.find("not supported") != std::string::npos)
            GTEST_SKIP() << "the front end does not write initialisers yet";
        ASSERT_EQ(front.status, 0) << front.errors;
        compare(p, std::vector<std::uint8_t>(front.output.begin(), front.output.end()));
    }
}

}  // namespace
