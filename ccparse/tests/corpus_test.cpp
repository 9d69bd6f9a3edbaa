// Whole programs through the front end: the corpus (a kernel with its
// interrupt and stackless functions and registers at fixed addresses,
// algorithms with every kind of loop and switch, a calculator with tables of
// function pointers) compiles under each set of options without a
// diagnostic, and its intermediate file holds together: every function is
// closed, every label is defined once, every jump, table and link goes to a
// label that is defined, and every literal named is in the pool.
#include "ccparse/tests/front_harness.h"
#include "ccparse/tests/stmt_records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace {

std::string corpus_file(const std::string& name) {
    std::ifstream in(std::string(VY_SOURCE_DIR) + "/ccparse/tests/corpus/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

const char* const corpus[] = {"kernel.c", "algo.c", "calc.c"};

const std::vector<std::vector<std::string>> option_sets = {
    {}, {"-x"}, {"-xx", "-l"}, {"-nw", "-f", "-u"}, {"-xd", "-xp"}, {"-s", "-rb", "-ne"},
};

// What is wrong with the records of an intermediate file ("" when nothing).
std::string check_structure(const std::vector<std::string>& lines) {
    static const std::regex literal_leaf(R"(\(0 [^ ]+ name=- num=(\d+) value=-?\d+ storage=0 mem=\d\))");
    static const std::regex label_link(R"(^(200|192|197) address\d name=- num=(\d+) )");
    std::string problems;
    auto fault = [&](const std::string& what, const std::string& line) {
        if (problems.size() < 2000) problems += what + ": " + line + "\n";
    };
    std::set<std::string> debug_labels, data_labels, code_labels;
    std::vector<std::pair<std::string, std::string>> links, literals;  // label, line
    bool inside = false;
    std::set<std::string> defined;
    std::vector<std::pair<std::string, std::string>> used;
    std::set<std::string> heads, tables;
    auto finish_function = [&] {
        for (const auto& [label, line] : used)
            if (!defined.count(label)) fault("label not defined in the function", line);
        for (const std::string& t : heads)
            if (!tables.count(t)) fault("switch without its table", t);
        for (const std::string& l : defined) code_labels.insert(l);
        defined.clear();
        used.clear();
        heads.clear();
        tables.clear();
    };
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        std::istringstream in(line);
        std::string code, what, a;
        in >> code >> what >> a;
        for (std::sregex_iterator m(line.begin(), line.end(), literal_leaf), end; m != end; ++m)
            if ((*m)[1] != "0") literals.emplace_back((*m)[1], line);
        std::smatch link;
        if (std::regex_search(line, link, label_link) && link[2] != "0") links.emplace_back(link[2], line);
        if (code == "213") debug_labels.insert(line.substr(line.find("num=") + 4));

        // Data named by a label: literals of the pool, unnamed static objects.
        if (code == "184" || ((code == "131" || code == "199") && line.find("name=- ") != std::string::npos)) {
            std::string num = line.substr(line.find("num=") + 4);
            data_labels.insert(num.substr(0, num.find(' ')));
        }
        if (code == "134") {
            if (inside) fault("function inside a function", line);
            inside = true;
            continue;
        }
        if (!inside) continue;
        if (code == "211") {
            inside = false;
            finish_function();
        } else if (code == "140" || code == "130") {
            if (!defined.insert(a).second) fault("label defined twice", line);
        } else if (code == "139") {
            used.emplace_back(a, line);
        } else if (what == "jump-if") {
            std::string target;
            in >> target;
            used.emplace_back(target, line);
        } else if (what == "switch") {
            heads.insert(line.substr(line.find("table=") + 6));
        } else if (code == "185") {
            std::string table = line.substr(line.find("label=") + 6);
            table = table.substr(0, table.find(' '));
            tables.insert(table);
            std::string dflt = line.substr(line.find("default=") + 8);
            used.emplace_back(dflt.substr(0, dflt.find(' ')), line);
        } else if (code == "205") {
            std::string labels = line.substr(line.find("labels=") + 7);
            std::istringstream list(labels);
            for (std::string l; std::getline(list, l, ',');) used.emplace_back(l, line);
        } else if (code == "206") {
            std::string pair;
            in >> pair;  // n=...
            while (in >> pair) used.emplace_back(pair.substr(pair.find(':') + 1), line);
        }
    }
    if (inside) fault("function not closed", "");
    for (const auto& [label, line] : links)
        if (!debug_labels.count(label) && !data_labels.count(label) && !code_labels.count(label))
            fault("link to a label nowhere defined", line);
    for (const auto& [label, line] : literals)
        if (!data_labels.count(label)) fault("literal not in the pool", line);
    return problems;
}

TEST(Corpus, WholeProgramsCompileAndHoldTogether) {
    for (const char* name : corpus) {
        std::string source = corpus_file(name);
        ASSERT_FALSE(source.empty()) << name;
        for (const auto& options : option_sets) {
            std::string label = std::string(name) + " " + vytest::squeeze([&] {
                std::string s;
                for (const std::string& o : options) s += o + " ";
                return s;
            }());
            vytest::FrontRun run = vytest::compile(source, options);
            EXPECT_EQ(run.status, 0) << label;
            EXPECT_EQ(run.errors, "") << label;
            ASSERT_TRUE(run.ir_ok) << label;
            EXPECT_EQ(check_structure(run.ir), "") << label;
        }
    }
}

// The self-checking programs of the whole chain compile too.
TEST(Corpus, TheChainsProgramsCompile) {
    namespace fs = std::filesystem;
    std::string dir = std::string(VY_SOURCE_DIR) + "/tests/corpus";
    int count = 0;
    for (const char* sub : {"", "/irq", "/faults"}) {
        for (const fs::directory_entry& e : fs::directory_iterator(dir + sub)) {
            if (e.path().extension() != ".c") continue;
            std::ifstream in(e.path(), std::ios::binary);
            std::stringstream text;
            text << in.rdbuf();
            for (const std::vector<std::string>& options :
                 {std::vector<std::string>{"-i", dir}, std::vector<std::string>{"-xx", "-i", dir}}) {
                vytest::FrontRun run = vytest::compile(text.str(), options);
                EXPECT_EQ(run.status, 0) << e.path();
                EXPECT_EQ(run.errors, "") << e.path();
                EXPECT_TRUE(run.ir_ok) << e.path();
                EXPECT_EQ(check_structure(run.ir), "") << e.path();
            }
            ++count;
        }
    }
    EXPECT_GE(count, 15);
}

TEST(Corpus, TheDebugDescriptionNamesEveryFunction) {
    vytest::FrontRun run = vytest::compile(corpus_file("kernel.c"), {"-xx"});
    ASSERT_EQ(run.status, 0) << run.errors;
    std::string all = vytest::joined(run.ir);
    for (const char* f : {"sci_handler", "timer_handler", "ring_put", "ring_get", "checksum", "copy", "task_create",
                          "task_sleep", "pick", "schedule", "idle", "blink", "echo", "uptime", "combine", "main"})
        EXPECT_NE(all.find(std::string("214 debug-function model=0 name=\"t.c~") + f + "\""), std::string::npos) << f;
    // One head for the file, its last node at the end of the description.
    EXPECT_EQ(std::count(run.ir.begin(), run.ir.end(), "215 debug-file model=0 name=\"t.c\" num=0 nattr=0x00"), 1);
    // The macros used, each with its replacement text.
    EXPECT_NE(all.find("187 used \"#NTASKS\" | 148 string n=1 \"4\""), std::string::npos);
    EXPECT_NE(all.find("187 used \"#BIT\" | 148 string n=10 \"(1 << (n))\""), std::string::npos);
}

}  // namespace
