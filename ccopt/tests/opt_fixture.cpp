#include "ccopt/tests/opt_fixture.h"

#include "ccopt/tests/sim_harness.h"

namespace opttest {

const char* const all_rules = "A0A1A2A3A4A5B0B1B2B3B4C0C1C2C3C4C5C6D0E0F0I0I1I2L0L1L2L3L4L5L6L7M0M1M2N0O0P0S0S1S2S3S4S5T0T1T2X0";

std::string asm_lines(std::string_view compact) {
    std::string out;
    std::size_t pos = 0;
    while (pos <= compact.size()) {
        std::size_t bar = compact.find('|', pos);
        if (bar == std::string_view::npos) bar = compact.size();
        std::string piece(compact.substr(pos, bar - pos));
        pos = bar + 1;
        if (piece.empty()) continue;
        if (piece.back() == ':' || piece[0] == '\t' || piece[0] == ';' || piece[0] == '.') {
            out += piece;
        } else {
            std::size_t space = piece.find(' ');
            out += "\t" + piece.substr(0, space);
            if (space != std::string::npos) out += "\t" + piece.substr(space + 1);
        }
        out += "\n";
    }
    return out;
}

std::string optimize_body(std::string_view compact, const ccopt::Options& options) {
    std::string text = ccopt::optimize_text(sim_program(compact), options);
    // Back to the compact form: the lines between the function's label and the end.
    std::string out;
    std::size_t pos = text.find("\n_f:\n");
    pos = pos == std::string::npos ? text.size() : pos + 5;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::string line = text.substr(pos, nl - pos);
        pos = nl + 1;
        if (line == "\tend") break;
        if (line.size() > 1 && line[0] == '\t' && line[1] != '.' && line[1] != ';') {
            std::string rest = line.substr(1);
            std::size_t tab = rest.find('\t');
            if (tab != std::string::npos) rest[tab] = ' ';
            line = rest;
        }
        if (!out.empty()) out += "|";
        out += line;
    }
    return out;
}

std::string optimize_body(std::string_view compact, const char* disable) {
    ccopt::Options o;
    o.disable = disable ? disable : "";
    return optimize_body(compact, o);
}

}  // namespace opttest
