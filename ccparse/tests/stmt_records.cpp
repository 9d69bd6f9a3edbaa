#include "ccparse/tests/stmt_records.h"

#include "ccparse/tests/front_harness.h"

#include <map>
#include <sstream>

namespace vytest {

namespace {

struct Renamer {
    std::map<std::string, int> names;
    std::string operator()(const std::string& number) {
        auto it = names.find(number);
        if (it == names.end()) it = names.emplace(number, static_cast<int>(names.size()) + 1).first;
        return "L" + std::to_string(it->second);
    }
};

// The value of "key=" in a line (up to the next blank).
std::string field(const std::string& line, const std::string& key) {
    std::size_t at = line.find(" " + key + "=");
    if (at == std::string::npos) return {};
    at += key.size() + 2;
    std::size_t end = line.find(' ', at);
    return line.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// The word after the record's code and name: "20 line 7" gives "7".
std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// The parenthesised trees of a text, in order.
std::vector<std::string> trees_of(const std::string& text) {
    std::vector<std::string> out;
    int depth = 0;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (quoted) {
            if (c == '\\') ++i;
            else if (c == '"') quoted = false;
            continue;
        }
        if (c == '"') quoted = true;
        if (c == '(') {
            if (depth == 0) start = i;
            ++depth;
        } else if (c == ')' && --depth == 0) {
            out.push_back(compact(text.substr(start, i - start + 1)));
        }
    }
    return out;
}

}  // namespace

std::vector<std::string> body_records(const std::vector<std::string>& decoded, bool lines) {
    std::vector<std::string> out;
    Renamer label;
    bool inside = false;
    for (const std::string& line : decoded) {
        std::vector<std::string> w = words(line);
        if (w.empty()) continue;
        const std::string& code = w[0];
        if (code == "134") {
            inside = true;
            std::string name = field(line, "name");
            out.push_back("function " + name.substr(1, name.size() - 2));
            continue;
        }
        if (!inside) continue;
        if (code == "211") {
            out.push_back("end");
            inside = false;
        } else if (code == "19") {
        } else if (code == "20") {
            if (lines) out.push_back("line " + w[2]);
        } else if (code == "251") {
            out.push_back("body " + field(line, "first") + " " + field(line, "brace"));
        } else if (code == "217") {
            out.push_back("param-type " + w[2]);
        } else if (code == "218") {
            out.push_back("param-size " + w[2]);
        } else if (code == "129") {
            out.push_back("frame " + w[2]);
        } else if (code == "140" || code == "130") {
            std::string l = field(line, "line");
            std::string text = (code == "140" ? "label " : "case ") + label(w[2]);
            if (l != "0") text += " " + l;
            if (line.find("loop-test") != std::string::npos) text += " loop";
            out.push_back(text);
        } else if (code == "139") {
            out.push_back("jump " + label(w[2]));
        } else if (code == "150") {
            out.push_back("expr " + trees_of(line)[0]);
        } else if (w[1] == "jump-if") {
            std::vector<std::string> t = trees_of(line);
            out.push_back("if" + w[2] + " " + label(w[3]) + " " + t[0] + " " + t[1]);
        } else if (code == "146") {
            out.push_back("return");
        } else if (code == "190" || code == "149" || code == "189") {
            out.push_back("switch" + field(line, "size") + " " + label(field(line, "table")));
        } else if (code == "185") {
            out.push_back("table " + label(field(line, "label")) + " default=" + label(field(line, "default")) +
                          " cases=" + field(line, "cases") + " size=" + field(line, "size"));
        } else if (code == "205") {
            std::string text = "jump-table " + field(line, "low");
            std::string labels = field(line, "labels");
            std::istringstream in(labels);
            for (std::string l; std::getline(in, l, ',');) text += " " + label(l);
            out.push_back(text);
        } else if (code == "206") {
            std::string text = "pairs";
            for (std::size_t i = 3; i < w.size(); ++i) {
                std::size_t colon = w[i].find(':');
                text += " " + w[i].substr(0, colon) + ":" + label(w[i].substr(colon + 1));
            }
            out.push_back(text);
        } else if (code == "151") {
            out.push_back("end-table");
        } else if (code == "188") {
            out.push_back("position " + w[2]);
        } else if (code == "203") {
            out.push_back("asm " + line.substr(line.find('"')));
        } else {
            out.push_back(line);
        }
    }
    return out;
}

std::string joined(const std::vector<std::string>& records) {
    std::string out;
    for (const std::string& r : records) {
        if (!out.empty()) out += " | ";
        out += r;
    }
    return out;
}

}  // namespace vytest
