// The program: options, the pre-scan of the whole input, and the loop over
// its chunks.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>

#include "ccopt/opt.h"
#include "ccparse/toolkit/toolkit.h"
#include "support/file_read.h"
#include "support/one_line.h"

namespace ccopt {

namespace {

const char* const TITLE = "68HC11 Optimizer";

FILE* output_file = nullptr;
const char* output_name = nullptr;

void on_interrupt(int) { std::_Exit(2); }

// The lines of a text in memory, one at a time, each of any length; CRLF
// and LF end lines alike, and a last line without a line end is still a
// line.
struct TextLines {
    std::string_view text;
    std::size_t pos = 0;

    bool operator()(std::string& line) {
        if (pos >= text.size()) return false;
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        line.assign(text.substr(pos, end - pos));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pos = end + 1;
        return true;
    }
};

// The pre-scan over the whole text, then the chunks.
void optimize_lines(Opt& o, std::string_view text, const std::function<void(std::string_view)>& write);

}  // namespace

void optfatal(const char* message, std::string_view argument) {
    std::string text = std::string(vy::progname()) + ": " + message + vy::one_line(argument) + "\n";
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

namespace {

void optimize_lines(Opt& o, std::string_view text, const std::function<void(std::string_view)>& write) {
    bool in_dp = false;
    std::vector<std::string> user_dp;
    std::string line;
    for (TextLines prescan{text}; prescan(line);) prescan_line(o, line, in_dp, user_dp);
    o.readline = TextLines{text};
    o.writeline = write;
    optimize(o);
}

}  // namespace

std::string optimize_text(std::string_view input, const Options& options, long* destructions,
                          long* modifications) {
    Opt o;
    o.opts = options;
    std::string out;
    optimize_lines(o, input, [&](std::string_view text) {
        out += text;
        out += '\n';
    });
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

    // The input is read once, whole, and refused as soon as it passes the
    // bound of every input (a device or a pipe that never ends included).
    FILE* in = std::fopen(name, "rb");
    if (!in) optfatal("can't open ", name);
    std::string input;
    vy::FileRead read = vy::read_whole(in, input);
    std::fclose(in);
    if (read == vy::FileRead::too_large) {
        vy::toolwrite("#error " + std::string(vy::progname()) + " " + vy::one_line(name) + ":0 file too large\n");
        vy::toolexit(1);
    }
    if (read != vy::FileRead::ok) optfatal("can't read ", name);

    FILE* out = stdout;
    if (output) {
        out = std::fopen(output, "w");
        if (!out) optfatal("can't create ", output);
        output_file = out;
        output_name = output;
    }
    optimize_lines(o, input, [&](std::string_view text) {
        std::fwrite(text.data(), 1, text.size(), out);
        std::fputc('\n', out);
    });
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
