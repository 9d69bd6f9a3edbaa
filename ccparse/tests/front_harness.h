// Runs ccparse inside a test: the sources are written into a fresh
// directory, the program's endings and standard-error writes are caught,
// and the output file is read back (decoded when it is an intermediate file).
#pragma once

#include "ccparse/toolkit/tests/tool_harness.h"

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vytest {

// A directory of its own for one test, removed at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    void write(const std::string& name, const std::string& content) const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;

private:
    std::filesystem::path path_;
};

// Sends standard output into a file for the lifetime of the object.
class StdoutCapture {
public:
    explicit StdoutCapture(const std::string& path);
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

private:
    int saved_;
};

struct FrontRun {
    int status = -1;
    std::string errors;           // standard error
    std::string out;              // standard output
    std::string output;           // the output file, when one was written
    bool output_exists = false;
    std::vector<std::string> ir;  // the decoded records, for an intermediate file
    bool ir_ok = false;
};

// Runs ccparse with `args` (without the program name) in `dir`, whose
// current directory it becomes for the run. The output file is the one
// named by -o.
FrontRun run_front(const TempDir& dir, std::vector<std::string> args);

// Compiles `source` as t.c with `options`: -o t.ir (or t.i with -e) is added.
FrontRun compile(const std::string& source, std::vector<std::string> options = {});
// Preprocesses `source` as t.c (with -e -o t.i) and returns the run.
FrontRun preprocess(const std::string& source, std::vector<std::string> options = {});
// Preprocesses `source` as t.c to standard output (kept also after errors).
FrontRun preprocess_out(const std::string& source, std::vector<std::string> options = {},
                        const std::map<std::string, std::string>& more_files = {});

// Runs ccparse in process on t.c of `dir` with `options` (-o t.ir added):
// `body` does what the run does between the start and the end of the
// front end. The status and the error stream.
struct InProcessRun {
    int status = -1;
    std::string errors;
};
InProcessRun run_in_process(const TempDir& dir, std::vector<std::string> options, const std::function<void()>& body);

// The tokens the lexer gives for `source` (t.c, with `options`).
struct LexedToken {
    int kind;
    std::int32_t value;   // integer and character constants
    std::string text;     // identifier names, string bytes, assembly text
    double real = 0;      // real constants
    unsigned line = 0, column = 0, span = 0;
};
struct LexRun {
    std::vector<LexedToken> tokens;  // up to the end of input (not included)
    std::string errors;
};
LexRun lex(const std::string& source, std::vector<std::string> options = {});

// Compiles `source` as t.c in process like ccparse does, except that a
// file-level line "MODE: expression;" parses one expression, narrows it and
// writes it as an expression record: MODE is "expr" (the whole value),
// "expr8", "expr8u", "expr16", "expr16u", "expr32" (a consumer of that width
// and signedness), "discard" (a value nobody uses) or "test" (a test).
// `trees` holds the expression records' trees as irdump shows them.
struct TreeRun {
    int status = -1;
    std::string errors;
    std::vector<std::string> ir;     // every decoded record
    std::vector<std::string> trees;  // the trees of the expression records
    bool ir_ok = false;              // the file decoded without fault
};
TreeRun trees(const std::string& source, std::vector<std::string> options = {});

// A tree as irdump shows it in a compact form: "(+:int x:int 1:int)";
// leaves are "name:type", "&name:type" for an address, "name+4:type" with
// an offset, "L12:type" for a literal, "local(-2):type" and "param(0):type"
// for frame objects, "ret:type", and the value for a constant.
std::string compact(const std::string& tree);

// The diagnostics of an error stream as "line:message|line:message" (the
// column left out).
std::string messages(const std::string& errors);

// A text file's lines with LF ends (text files have CRLF on Windows).
std::string lf_lines(std::string text);

// White space made uniform: every run of blanks and line ends becomes one blank.
std::string squeeze(const std::string& text);

// The decoded records without the header, file and line records.
std::vector<std::string> records(const FrontRun& run);

}  // namespace vytest
