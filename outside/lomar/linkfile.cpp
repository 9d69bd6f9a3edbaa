// Reading the link command file into segment, definition and file lines.
#include "outside/lomar/linkfile.h"

#include <cctype>
#include <cstring>

#include "ccparse/toolkit/toolkit.h"

namespace lomar {
namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

// The words of a line after its keyword, split at blanks.
std::vector<std::string> words_of(const std::string& text) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && blank(text[i])) ++i;
        size_t start = i;
        while (i < text.size() && !blank(text[i])) ++i;
        if (i > start) words.push_back(text.substr(start, i - start));
    }
    return words;
}

std::string trimmed(const std::string& text) {
    size_t a = 0, b = text.size();
    while (a < b && blank(text[a])) ++a;
    while (b > a && blank(text[b - 1])) --b;
    return text.substr(a, b - a);
}

struct LineParser {
    const std::string& path;
    Diagnostics& diag;
    uint32_t line;
    bool ok = true;

    void error(const std::string& message) {
        diag.error(path, line, message);
        ok = false;
    }

    // An address or size: a number up to `limit`.
    std::optional<uint32_t> number(const std::string& option, const std::string& text, uint32_t limit) {
        uint32_t v = 0;
        if (!parse_number(text, v)) {
            error("bad number " + text + " for " + option);
            return std::nullopt;
        }
        if (v > limit) {
            error("value " + text + " of " + option + " is out of range");
            return std::nullopt;
        }
        return v;
    }

    void segment(const std::string& rest, LinkScript& script) {
        std::vector<std::string> w = words_of(rest);
        SegmentLine seg;
        seg.line = line;
        if (w.empty()) {
            error("missing input segment");
            return;
        }
        seg.input = w[0];
        if (seg.input.size() > 14) {
            error("segment name " + seg.input + " longer than 14 characters");
            return;
        }
        // option letters in the order longer ones first
        static const char* const options[] = {"id", "ib", "it", "is", "n", "s", "b", "o", "m", "a", "w", "p", "c", "v"};
        for (size_t i = 1; i < w.size(); ++i) {
            const std::string& word = w[i];
            const char* opt = nullptr;
            if (word.size() >= 2 && word[0] == '-')
                for (const char* o : options)
                    if (word.compare(1, std::strlen(o), o) == 0) {
                        opt = o;
                        break;
                    }
            if (!opt) {
                error("unknown segment option " + word);
                continue;
            }
            std::string key = std::string("-") + opt;
            std::string value = word.substr(1 + std::strlen(opt));
            bool flag = key == "-id" || key == "-ib" || key == "-it" || key == "-is" || key == "-c" || key == "-v";
            if (flag) {
                if (!value.empty()) {
                    error("unknown segment option " + word);
                    continue;
                }
                if (key == "-id") seg.initialised = true;
                else if (key == "-ib") seg.not_cleared = true;
                else if (key == "-it") seg.init_host = true;
                else if (key == "-c") seg.symbols_only = true;
                else if (key == "-v") seg.no_overlap_check = true;
                else error("shared segments (-is) are not supported");
                continue;
            }
            if (value.empty()) {
                if (i + 1 < w.size() && w[i + 1][0] != '-') {
                    value = w[++i];
                } else {
                    error("missing value for " + key);
                    continue;
                }
            }
            if (key == "-n") seg.name = value;
            else if (key == "-s") seg.space = value;
            else if (key == "-a") seg.after = value;
            else if (key == "-b") seg.physical = number(key, value, 0xFFFF);
            else if (key == "-o") seg.logical = number(key, value, 0xFFFF);
            else if (key == "-m") seg.max_size = number(key, value, 0x10000);
            else error("bank segments (" + key + ") are not supported");
        }
        if (seg.initialised && seg.not_cleared) error("-id and -ib exclude each other");
        if (!seg.after.empty() && (seg.physical || seg.logical))
            error("a segment placed with -a takes no address");
        if (seg.input == ".debug") error("segment .debug is placed by the linker");
        script.segments.push_back(std::move(seg));
    }

    void definition(const std::string& rest, LinkScript& script) {
        std::string text = trimmed(rest);
        size_t eq = text.find('=');
        if (eq == std::string::npos) {
            error("missing '=' in symbol definition");
            return;
        }
        DefLine def;
        def.line = line;
        def.symbol = trimmed(text.substr(0, eq));
        std::string value = trimmed(text.substr(eq + 1));
        if (def.symbol.empty() || def.symbol.find_first_of(" \t") != std::string::npos) {
            error("bad symbol name in definition");
            return;
        }
        if (def.symbol.size() > 255) {
            error("symbol name longer than 255 characters");
            return;
        }
        if (value.empty()) {
            error("missing value for " + def.symbol);
            return;
        }
        static const struct {
            const char* word;
            DefLine::Kind kind;
        } functions[] = {{"start(", DefLine::START}, {"size(", DefLine::SIZE}, {"end(", DefLine::END}};
        for (const auto& f : functions) {
            size_t n = std::strlen(f.word);
            if (value.compare(0, n, f.word) == 0) {
                if (value.back() != ')' || value.size() == n + 1) {
                    error("bad segment reference " + value);
                    return;
                }
                def.kind = f.kind;
                def.ref = trimmed(value.substr(n, value.size() - n - 1));
                script.defs.push_back(std::move(def));
                return;
            }
        }
        if (value[0] >= '0' && value[0] <= '9') {
            if (!parse_number(value, def.value)) {
                error("bad number " + value + " for " + def.symbol);
                return;
            }
            def.kind = DefLine::VALUE;
        } else if (value[0] == '-' || value[0] == '+') {
            if (!parse_number(value, def.value)) {
                error("bad number " + value + " for " + def.symbol);
                return;
            }
            def.kind = DefLine::VALUE;
        } else {
            if (value.find_first_of(" \t()") != std::string::npos) {
                error("bad symbol name " + value);
                return;
            }
            def.kind = DefLine::SYMBOL;
            def.ref = value;
        }
        script.defs.push_back(std::move(def));
    }

    void file(const std::string& text, LinkScript& script) {
        std::string name = text;
        if (text[0] == '"') {
            size_t close = text.find('"', 1);
            if (close == std::string::npos || !trimmed(text.substr(close + 1)).empty()) {
                error("bad file name " + text);
                return;
            }
            name = text.substr(1, close - 1);
        }
        if (name.empty()) {
            error("empty file name");
            return;
        }
        script.files.push_back({name, script.segments.size(), line});
    }
};

}  // namespace

bool parse_number(const std::string& text, uint32_t& value) {
    if (text.empty() || text.size() > 40) return false;
    std::string body = text;
    if (body[0] == '+' || body[0] == '-') body = body.substr(1);
    bool hex = body.size() > 1 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X');
    std::string digits = hex ? body.substr(2) : body;
    if (digits.empty()) return false;
    // A number that does not fit 32 bits is refused, not cut.
    uint64_t magnitude = 0;
    for (char c : digits) {
        bool ok = hex ? std::isxdigit(static_cast<unsigned char>(c)) != 0
                      : c >= '0' && c <= (body[0] == '0' ? '7' : '9');
        if (!ok) return false;
        unsigned digit = c <= '9' ? static_cast<unsigned>(c - '0') : static_cast<unsigned>((c | 0x20) - 'a' + 10);
        magnitude = magnitude * (hex ? 16 : body[0] == '0' ? 8 : 10) + digit;
        if (magnitude > UINT32_MAX) return false;
    }
    int32_t v = 0;
    const char* end = vy::getnum(text.c_str(), &v, 1);
    if (*end != '\0') return false;
    value = static_cast<uint32_t>(v);
    return true;
}

bool parse_link_script(const std::string& path, const std::string& text, LinkScript& script, Diagnostics& diag) {
    script = LinkScript();
    script.path = path;
    bool ok = true;
    uint32_t number = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string t = trimmed(line);
        if (t.empty() || t[0] == '#') continue;
        LineParser p{path, diag, number};
        if (t.compare(0, 4, "+seg") == 0 && (t.size() == 4 || blank(t[4]))) {
            p.segment(t.substr(4), script);
        } else if (t.compare(0, 4, "+def") == 0 && (t.size() == 4 || blank(t[4]))) {
            p.definition(t.substr(4), script);
        } else if (t[0] == '+') {
            p.error("unknown directive " + words_of(t)[0]);
        } else {
            p.file(t, script);
        }
        ok = ok && p.ok;
    }
    return ok;
}

}  // namespace lomar
