// The program: options, the pre-scan of the whole input, and the loop over
// its chunks.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "ccopt/opt.h"
#include "ccparse/toolkit/toolkit.h"

namespace ccopt {

namespace {

const char* const TITLE = "68HC11 Optimizer";
// Inputs beyond this size are refused rather than read until memory runs out.
const std::uint64_t MAX_INPUT = 256u << 20;

FILE* output_file = nullptr;
const char* output_name = nullptr;

void on_interrupt(int) { std::_Exit(2); }

// A diagnostic stays one line: control bytes taken from the input are
// written as \xNN.
std::string visible(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if ((c < 0x20 && c != '\t') || c == 0x7f) {
            static const char hex[] = "0123456789ABCDEF";
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// Reads one line of any length; CRLF and LF end lines alike, and a last
// line without a line end is still a line.
bool readline(FILE* f, std::string& line, std::uint64_t& total) {
    line.clear();
    int c;
    bool any = false;
    while ((c = std::getc(f)) != EOF) {
        any = true;
        if (++total > MAX_INPUT) return false;
        if (c == '\n') break;
        line += static_cast<char>(c);
    }
    if (!any) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

}  // namespace

void optfatal(const char* message, std::string_view argument) {
    std::string text = std::string(vy::progname()) + ": " + message + visible(argument) + "\n";
    vy::toolwrite(text);
    if (output_file) {
        // A fatal condition leaves no half-written output behind.
        std::fclose(output_file);
        output_file = nullptr;
        if (output_name) vy::removefile(output_name);
    }
    vy::toolexit(1);
}

static void optimize(Opt& o) {
    setnoopt(o, o.opts.disable);
    while (readchunk(o)) {
        optchunk(o);
        writechunk(o);
    }
}

std::string optimize_text(std::string_view input, const Options& options, long* destructions,
                          long* modifications) {
    Opt o;
    o.opts = options;
    std::size_t pos = 0;
    auto next = [&](std::string& line) {
        if (pos >= input.size()) return false;
        std::size_t end = input.find('\n', pos);
        if (end == std::string_view::npos) end = input.size();
        line.assign(input.substr(pos, end - pos));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pos = end + 1;
        return true;
    };
    bool in_dp = false;
    std::vector<std::string> user_dp;
    std::string line;
    while (next(line)) prescan_line(o, line, in_dp, user_dp);
    pos = 0;
    std::string out;
    o.readline = next;
    o.writeline = [&](std::string_view text) {
        out += text;
        out += '\n';
    };
    optimize(o);
    if (destructions) *destructions = o.destructions;
    if (modifications) *modifications = o.modifications;
    return out;
}

int optmain(int argc, char** argv) {
    std::signal(SIGINT, on_interrupt);
    std::set_new_handler(vy::nomemory);
    vy::version_text = "V4.1l";
    vy::date_text = "28 Nov 2001";
    output_file = nullptr;
    output_name = nullptr;

    int comments = 0, stats = 0;
    const char *disable = nullptr, *output = nullptr;
    const vy::OptionDescriptor options[] = {
        {"c   keep original lines as comments", &comments},
        {"d*  disable specific optimizations", &disable},
        {"o*  output file name", &output},
        {"v   print efficiency statistics", &stats},
    };
    vy::parse_command_line(argc, argv, TITLE, "file", options);
    if (argc <= 0) return 0;

    Opt o;
    o.opts.comments = comments != 0;
    o.opts.stats = stats != 0;
    o.opts.disable = disable ? disable : "";
    o.opts.qvnolo = std::getenv("QVNOLO") != nullptr;
    const char* name = argv[0];

    FILE* in = std::fopen(name, "rb");
    if (!in) optfatal("can't open ", name);
    std::uint64_t total = 0;
    bool in_dp = false;
    std::vector<std::string> user_dp;
    std::string line;
    while (readline(in, line, total)) prescan_line(o, line, in_dp, user_dp);
    bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (total > MAX_INPUT) optfatal("file too large ", name);
    if (failed) optfatal("can't read ", name);
    in = std::fopen(name, "rb");
    if (!in) optfatal("can't open ", name);

    FILE* out = stdout;
    if (output) {
        out = std::fopen(output, "w");
        if (!out) optfatal("can't create ", output);
        output_file = out;
        output_name = output;
    }
    total = 0;
    o.readline = [&](std::string& text) { return readline(in, text, total); };
    o.writeline = [&](std::string_view text) {
        std::fwrite(text.data(), 1, text.size(), out);
        std::fputc('\n', out);
    };
    optimize(o);
    std::fclose(in);
    if (std::fflush(out) != 0 || std::ferror(out)) optfatal("can't write ", output ? output : "standard output");
    if (output) {
        output_file = nullptr;
        if (std::fclose(out) != 0) {
            vy::removefile(output);
            optfatal("can't write ", output);
        }
    }
    if (o.opts.stats) {
        char text[96];
        std::snprintf(text, sizeof text, "opt: %li destructions, %li modifications\n", o.destructions,
                      o.modifications);
        vy::toolwrite(text);
    }
    return 0;
}

}  // namespace ccopt
