#include "ccparse/tests/front_harness.h"

#include "ccparse/decl.h"
#include "ccparse/diag.h"
#include "ccparse/driver.h"
#include "ccparse/expr.h"
#include "ccparse/init.h"
#include "ccparse/irwrite.h"
#include "ccparse/lexer.h"
#include "ccparse/narrow.h"
#include "ccparse/preproc.h"
#include "ccparse/treewrite.h"
#include "ccparse/tools/irdecode.h"

#include <atomic>
#include <cstdio>
#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>

#ifdef _WIN32
#include <io.h>
#define dup _dup
#define dup2 _dup2
#define close _close
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace vytest {

namespace fs = std::filesystem;

StdoutCapture::StdoutCapture(const std::string& path) {
    std::fflush(stdout);
    saved_ = dup(1);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file) {
        dup2(fileno(file), 1);
        std::fclose(file);
    }
}

StdoutCapture::~StdoutCapture() {
    std::fflush(stdout);
    dup2(saved_, 1);
    close(saved_);
}

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = fs::temp_directory_path() / ("vyfront-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void TempDir::write(const std::string& name, const std::string& content) const {
    fs::path p = path_ / name;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
}

std::string TempDir::read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool TempDir::exists(const std::string& name) const { return fs::exists(path_ / name); }

FrontRun run_front(const TempDir& dir, std::vector<std::string> args) {
    FrontRun run;
    std::string output;
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "-o") output = args[i + 1];
    for (const std::string& a : args)
        if (a.rfind("-o", 0) == 0 && a.size() > 2) output = a.substr(2);
    args.insert(args.begin(), "ccparse");
    Args argv(args);
    fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    {
        StdoutCapture capture(dir.file("stdout.txt"));
        ToolHarness harness("ccparse");
        try {
            run.status = vy::cc::front_end_main(argv.argc(), argv.argv());
        } catch (const vy::ToolExit& exit) {
            run.status = exit.status;
        }
        run.errors = harness.errors();
    }
    fs::current_path(previous);
    run.out = dir.read("stdout.txt");
    if (!output.empty() && dir.exists(output)) {
        run.output_exists = true;
        run.output = dir.read(output);
        std::vector<std::uint8_t> bytes(run.output.begin(), run.output.end());
        vy::irdump::Decoded decoded = vy::irdump::decode(bytes);
        run.ir = decoded.lines;
        run.ir_ok = decoded.ok;
    }
    return run;
}

FrontRun compile(const std::string& source, std::vector<std::string> options) {
    TempDir dir;
    dir.write("t.c", source);
    options.push_back("-o");
    options.push_back("t.ir");
    options.push_back("t.c");
    return run_front(dir, options);
}

FrontRun preprocess(const std::string& source, std::vector<std::string> options) {
    TempDir dir;
    dir.write("t.c", source);
    options.insert(options.begin(), "-e");
    options.push_back("-o");
    options.push_back("t.i");
    options.push_back("t.c");
    return run_front(dir, options);
}

FrontRun preprocess_out(const std::string& source, std::vector<std::string> options,
                        const std::map<std::string, std::string>& more_files) {
    TempDir dir;
    dir.write("t.c", source);
    for (const auto& [name, text] : more_files) dir.write(name, text);
    options.insert(options.begin(), "-e");
    options.push_back("t.c");
    return run_front(dir, options);
}

InProcessRun run_in_process(const TempDir& dir, std::vector<std::string> options, const std::function<void()>& body) {
    options.insert(options.begin(), "ccparse");
    options.push_back("-o");
    options.push_back("t.ir");
    options.push_back("t.c");
    Args argv(options);
    InProcessRun run;
    fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    {
        ToolHarness harness("ccparse");
        try {
            int status = 0;
            if (vy::cc::front_end_begin(argv.argc(), argv.argv(), &status)) {
                body();
                status = vy::cc::front_end_end();
            }
            run.status = status;
        } catch (const vy::ToolExit& exit) {
            run.status = exit.status;
        }
        run.errors = harness.errors();
    }
    fs::current_path(previous);
    return run;
}

LexRun lex(const std::string& source, std::vector<std::string> options) {
    TempDir dir;
    dir.write("t.c", source);
    LexRun run;
    run.errors = run_in_process(dir, options, [&] {
        for (int guard = 0; guard < 100000; ++guard) {
            const vy::cc::Token& t = vy::cc::nexttoken();
            if (t.kind == vy::cc::K_EOF) break;
            LexedToken out{t.kind, t.value, {}};
            if (t.name) out.text = t.name->text;
            if (t.constant) {
                out.text = t.constant->bytes;
                out.real = t.constant->real;
            }
            if (t.text) out.text = *t.text;
            out.line = t.line;
            out.column = t.column;
            out.span = t.span;
            run.tokens.push_back(out);
        }
    }).errors;
    return run;
}

namespace {

struct TreeMode {
    const char* name;
    std::uint8_t demand;
};
const TreeMode tree_modes[] = {
    {"expr", 0},    {"expr8", 0x10},   {"expr8u", 0x11}, {"expr16", 0x30},
    {"expr16u", 0x31}, {"expr32", 0x40}, {"discard", 0}, {"test", 0},
};

// The file-level loop of the driver, with the expression lines.
void compile_with_trees() {
    using namespace vy::cc;
    Symbol* locals = nullptr;
    write_ir_header();
    for (;;) {
        const Token& t = nexttoken();
        if (t.kind == K_EOF) break;
        const TreeMode* mode = nullptr;
        if (t.kind == K_IDENT)
            for (const TreeMode& m : tree_modes)
                if (t.name->text == m.name) mode = &m;
        if (mode && nexttoken().kind == K_COLON) {
            std::string_view name = mode->name;
            Expr* tree = parse_expression(name == "discard");
            if (name == "test") {
                tree = make_test(tree);
                if (!tree) tree = makeconst(0);
            }
            narrow(tree, mode->demand);
            expect(K_SEMI);
            ir_line(t.line);
            ir_expression();
            write_ir_tree(tree);
            continue;
        }
        if (mode) ungettoken();
        if (t.kind == K_IDENT && t.name->text == "local") {
            int kind = nexttoken().kind;
            const Token& name = nexttoken();
            Symbol* global = name.kind == K_IDENT ? global_symbol(name.name) : nullptr;
            if (!global) {
                puterr("no such global");
                continue;
            }
            std::uint8_t k = kind == K_STATIC ? KIND_STATIC : kind == K_EXTERN ? KIND_EXTERN
                             : kind == K_TYPEDEF ? KIND_TYPEDEF : kind == K_REGISTER ? KIND_REGISTER : KIND_AUTO;
            Symbol* local = newsym(&locals, intern("l_" + name.name->text), k, global->type);
            local->attr = global->attr;
            if (k == KIND_STATIC) local->label = nextlabel();
            Expr* tree = init_local(local);
            expect(K_SEMI);
            if (tree) {
                narrow(tree, 0);
                ir_line(t.line);
                ir_expression();
                write_ir_tree(tree);
            }
            continue;
        }
        ungettoken();
        extdecl();
    }
    pp_finish();
    ir_flush_pending();
    endscope(true);
    if (error_count() == 0) ir_end_unit();
}

}  // namespace

TreeRun trees(const std::string& source, std::vector<std::string> options) {
    TempDir dir;
    dir.write("t.c", source);
    TreeRun run;
    InProcessRun result = run_in_process(dir, options, compile_with_trees);
    run.status = result.status;
    run.errors = result.errors;
    std::string bytes = dir.read("t.ir");
    // The file is removed after errors: the trees are then not available.
    vy::irdump::Decoded decoded = vy::irdump::decode(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    run.ir = decoded.lines;
    run.ir_ok = decoded.ok;
    for (const std::string& line : run.ir)
        if (line.rfind("150 expr ", 0) == 0) run.trees.push_back(line.substr(9));
    return run;
}

namespace {

// A reader of irdump's tree text.
struct TreeText {
    const std::string& s;
    std::size_t i = 0;

    std::string word() {
        std::size_t start = i;
        while (i < s.size() && s[i] != ' ' && s[i] != ')') {
            if (s[i] == '"') {
                for (++i; i < s.size() && s[i] != '"'; ++i)
                    if (s[i] == '\\') ++i;
            }
            ++i;
        }
        return s.substr(start, i - start);
    }
    void blank() {
        while (i < s.size() && s[i] == ' ') ++i;
    }
    static std::string field(const std::string& w, const char* key) {
        std::string k = std::string(key) + "=";
        return w.rfind(k, 0) == 0 ? w.substr(k.size()) : std::string();
    }

    std::string node() {
        if (i >= s.size() || s[i] != '(') return word();
        ++i;
        std::string code = word();
        blank();
        std::string type = word();
        std::string out;
        if (code == "0") {
            std::string name, num = "0", value = "0", storage = "0", mem = "0";
            while (i < s.size() && s[i] != ')') {
                blank();
                std::string w = word();
                if (w.rfind("name=", 0) == 0) name = field(w, "name");
                if (w.rfind("num=", 0) == 0) num = field(w, "num");
                if (w.rfind("value=", 0) == 0) value = field(w, "value");
                if (w.rfind("storage=", 0) == 0) storage = field(w, "storage");
                if (w.rfind("mem=", 0) == 0) mem = field(w, "mem");
            }
            std::string base;
            if (name != "-" && !name.empty()) base = name.substr(1, name.size() - 2);
            else if (num != "0") base = "L" + num;
            if (storage == "32" || storage == "160") {
                out = std::string(storage == "32" ? "local(" : "param(") + value + ")";
            } else if (storage == "1" || storage == "2") {
                out = storage == "1" ? "ret" : "switch";
            } else if (base.empty()) {
                out = value;
            } else {
                out = base;
                if (value != "0") out += (value[0] == '-' ? "" : "+") + value;
            }
            if (mem == "0" && !base.empty()) out = "&" + out;
            out += ":" + type;
        } else {
            std::size_t colon = code.find(':');
            out = "(" + (colon == std::string::npos ? code : code.substr(colon + 1)) + ":" + type;
            while (i < s.size() && s[i] != ')') {
                blank();
                if (i < s.size() && s[i] != ')') out += " " + node();
            }
            out += ")";
        }
        if (i < s.size() && s[i] == ')') ++i;
        return out;
    }
};

}  // namespace

std::string compact(const std::string& tree) {
    TreeText text{tree};
    return text.node();
}

std::string messages(const std::string& errors) {
    std::string out;
    for (std::size_t at = 0; at < errors.size();) {
        std::size_t end = errors.find('\n', at);
        std::string line = errors.substr(at, end - at);
        std::size_t colon = line.find(':');
        std::size_t number_end = line.find_first_not_of("0123456789", colon + 1);
        std::size_t text = line.find(' ', colon);
        if (!out.empty()) out += '|';
        out += line.substr(colon + 1, number_end - colon - 1);
        out += ':';
        out += line.substr(text + 1);
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return out;
}

std::string lf_lines(std::string text) {
    for (std::size_t p; (p = text.find("\r\n")) != std::string::npos;) text.erase(p, 1);
    return text;
}

std::string squeeze(const std::string& text) {
    std::string out;
    bool space = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            space = true;
            continue;
        }
        if (space && !out.empty()) out += ' ';
        space = false;
        out += c;
    }
    return out;
}

std::vector<std::string> records(const FrontRun& run) {
    std::vector<std::string> out;
    for (std::size_t i = 1; i < run.ir.size(); ++i) {
        const std::string& line = run.ir[i];
        if (line.rfind("19 ", 0) == 0 || line.rfind("20 ", 0) == 0) continue;
        out.push_back(line);
    }
    return out;
}

}  // namespace vytest
