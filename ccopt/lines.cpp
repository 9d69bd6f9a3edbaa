// The line list: classifying a line, the list operations the rules use,
// the pre-scan for direct-page names, reading one chunk and writing it.
#include <cstring>

#include "ccopt/opt.h"
#include "ccparse/toolkit/toolkit.h"

namespace ccopt {

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }
bool wordchar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_';
}

std::string_view trim_right(std::string_view s) {
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

bool starts(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

}  // namespace

Opt::~Opt() { freechunk(*this); }

std::size_t parseopnd(std::string_view operand, std::uint16_t& uses) {
    std::size_t i = 0, n = operand.size();
    while (i < n) {
        while (i < n && blank(operand[i])) ++i;
        if (i >= n || operand[i] == ';') break;
        if (operand[i] == '#') {
            while (i < n && operand[i] != ',' && operand[i] != ';') ++i;
            break;
        }
        if (operand[i] == ',') {
            ++i;
            continue;
        }
        std::size_t start = i;
        while (i < n && operand[i] != ',' && !blank(operand[i]) && operand[i] != ';') ++i;
        std::string_view field = operand.substr(start, i - start);
        if (field == "x") uses |= R_X;
        if (field == "y") uses |= R_Y;
    }
    return i;
}

LineNode* mkline(Opt& o, std::string_view text) {
    LineNode* node = new LineNode;
    std::size_t i = 0, n = text.size();
    while (i < n && blank(text[i])) ++i;
    node->kind = K_TEXT;
    if (i < n && text[i] != ';' && text[i] != '.') {
        std::size_t word = i;
        while (i < n && wordchar(text[i])) ++i;
        std::size_t word_end = i;
        while (i < n && blank(text[i])) ++i;
        if (word_end > word && i < n && text[i] == ':') {
            std::size_t j = i + 1;
            while (j < n && blank(text[j])) ++j;
            if (j >= n || text[j] == ';') {
                node->kind = K_LABEL;
                node->text = std::string(text.substr(word, word_end - word)) + ":";
                return node;
            }
            node->kind = K_LABELTEXT;
        } else if (word_end > word) {
            int row = findmnem(text.substr(word, word_end - word));
            if (row >= 0) {
                const MnemonicRow& r = mnemonics[row];
                std::string_view operand = text.substr(i);
                std::uint16_t uses = r.uses;
                std::size_t stop = parseopnd(operand, uses);
                if (stop < operand.size() && operand[stop] == ';') operand = operand.substr(0, stop);
                node->kind = static_cast<std::uint16_t>(K_INSN | row);
                node->uses = uses;
                node->effects = r.effects;
                node->text = std::string(trim_right(operand));
                if (r.name[0] == 'j' && starts(node->text, "c_")) libcall(o, node);
                return node;
            }
        }
    }
    node->text = std::string(trim_right(text));
    return node;
}

LineNode* newinsn(Opt& o, int row, std::string_view operand) {
    std::string line = std::string("\t") + mnemonics[row].name;
    if (!operand.empty()) line += std::string("\t") + std::string(operand);
    return mkline(o, line);
}

void setinsn(Opt& o, LineNode* line, int row, std::string_view operand) {
    LineNode* fresh = newinsn(o, row, operand);
    line->kind = static_cast<std::uint16_t>((line->kind & ~K_ROW) | row);
    line->uses = fresh->uses;
    line->effects = fresh->effects;
    line->text = fresh->text;
    delete fresh;
}

void setinsn(Opt& o, LineNode* line, int row) { setinsn(o, line, row, std::string(line->text)); }

void unlink(Opt& o, LineNode* node) {
    if (node->prev) node->prev->next = node->next;
    else o.head = node->next;
    if (node->next) node->next->prev = node->prev;
    else o.tail = node->prev;
    node->next = node->prev = nullptr;
    --o.lines;
}

LineNode* linsert(Opt& o, LineNode* after, LineNode* node) {
    node->prev = after;
    node->next = after ? after->next : o.head;
    if (node->next) node->next->prev = node;
    else o.tail = node;
    if (after) after->next = node;
    else o.head = node;
    ++o.lines;
    return node;
}

LineNode* lmove(Opt& o, LineNode* node, LineNode* after) {
    LineNode* following = node->next;
    unlink(o, node);
    linsert(o, after, node);
    return following ? following : o.tail;
}

static void unchain(Opt& o, LineNode* label) {
    forgetmarks(o, label);
    if (!label->table) return;
    if (label->chain_prev) label->chain_prev->chain_next = label->chain_next;
    else o.chain = label->chain_next;
    if (label->chain_next) label->chain_next->chain_prev = label->chain_prev;
    label->chain_next = label->chain_prev = nullptr;
    label->table = false;
    label->refs.clear();
    label->refs.shrink_to_fit();
}

void unlabel(Opt& o, LineNode* label) {
    unchain(o, label);
    label->uses = 0;
}

// A label whose last referrer went: removed, or, when kept, left unlinked.
static void orphan(Opt& o, LineNode* label) {
    if (label->kept()) unlabel(o, label);
    else killline(o, label);
}

void dropref(LineNode* label, LineNode* line) {
    auto& refs = label->refs;
    for (std::size_t i = 0; i < refs.size(); ++i) {
        if (refs[i] == line) {
            refs[i] = refs.back();
            refs.pop_back();
            return;
        }
    }
}

void droplink(Opt& o, LineNode* line) {
    LineNode* target = line->link;
    if (!target) return;
    line->link = nullptr;
    dropref(target, line);
    if (target->refs.empty() && target->table) orphan(o, target);
}

LineNode* killline(Opt& o, LineNode* line) {
    if (line->is_label()) unchain(o, line);
    if (line->is_insn()) droplink(o, line);
    if (!o.opts.comments || !line->is_insn()) {
        LineNode* result = line->next ? line->next : line->prev;
        unlink(o, line);
        delete line;
        return result;
    }
    std::string text = std::string(";***** ") + mnemrow(line->kind).name + " " + line->text;
    if (*o.rule) text += std::string(" ***** ") + o.rule;
    line->kind = K_TEXT;
    line->uses = line->effects = 0;
    line->text = text;
    return line;
}

std::string linetext(const LineNode* line) {
    if (!line->is_insn()) return line->text;
    const char* name = mnemrow(line->kind).name;
    std::string out = "\t";
    if (std::strcmp(name, "jbr") == 0) out += "bra";
    else if (name[0] == 'j' && name[1] == 'b') out += name + 1;
    else out += name;
    if (!line->text.empty()) out += "\t" + line->text;
    return out;
}

void freechunk(Opt& o) {
    for (LineNode* l = o.head; l;) {
        LineNode* next = l->next;
        delete l;
        l = next;
    }
    o.head = o.tail = nullptr;
    o.chain = nullptr;
    o.lines = 0;
}

void writechunk(Opt& o) {
    for (LineNode* l = o.head; l; l = l->next) o.writeline(linetext(l));
    freechunk(o);
}

// ---------------------------------------------------------- the pre-scan

static void add_direct(Opt& o, std::string_view name) {
    std::string n(name);
    if (o.direct_set.emplace(n, true).second) o.direct_page.push_back(n);
}

void prescan_line(Opt& o, std::string_view line, bool& in_dp, std::vector<std::string>& user_dp) {
    if (!line.empty() && line.back() == ':') {
        if (in_dp) add_direct(o, line.substr(0, line.size() - 1));
    } else if (starts(line, "\txref.b\t")) {
        add_direct(o, line.substr(8));
    } else if (line == "\tbsct") {
        in_dp = true;
    } else if (starts(line, "\tswitch\t")) {
        std::string_view name = line.substr(8);
        in_dp = name == ".ubsct" || name == ".bsct";
        for (const std::string& s : user_dp)
            if (name == s) in_dp = true;
    } else if (starts(line, "_")) {
        std::size_t colon = line.rfind(':');
        if (colon != std::string_view::npos && starts(line.substr(colon), ":\tequ\t")) {
            // A decimal number, as the code generator writes it; anything
            // else ("0x1000", "$20", an expression) is no known address.
            std::string number(line.substr(colon + 6));
            std::int32_t value = 0;
            const char* end = vy::getnum(number.c_str(), &value, 10);
            while (*end == ' ' || *end == '\t') ++end;
            if (end != number.c_str() && (*end == 0 || *end == ';')) {
                if (static_cast<std::uint32_t>(value) < 256) add_direct(o, line.substr(0, colon));
                o.equates[std::string(line.substr(0, colon))] = value;
            }
        }
    } else if (starts(line, ".") && in_dp) {
        std::size_t colon = line.rfind(':');
        if (colon != std::string_view::npos && starts(line.substr(colon), ":\tsection")) {
            std::string_view name = line.substr(0, colon);
            std::string_view kind = line.size() > colon + 10 ? line.substr(colon + 10) : std::string_view();
            if (starts(kind, ".bsct") || starts(kind, ".ubsct")) user_dp.insert(user_dp.begin(), std::string(name));
            else in_dp = false;
        }
    }
}

bool isdirect(const Opt& o, std::string_view operand) {
    std::size_t end = operand.find_first_of("+-");
    std::string name(operand.substr(0, end));
    return o.direct_set.count(name) != 0;
}

// ------------------------------------------------------ reading a chunk

namespace {

struct Reader {
    Opt& o;
    int n = 0;
    bool started = false;
    LineNode* chain_tail = nullptr;

    void chain(LineNode* label) {
        label->table = true;
        label->lineno = n;
        label->chain_prev = chain_tail;
        label->chain_next = nullptr;
        if (chain_tail) chain_tail->chain_next = label;
        else o.chain = label;
        chain_tail = label;
    }

    void append(LineNode* node) {
        linsert(o, o.tail, node);
        if (node->is_text() && o.banner) {
            if (--o.banner == 0)
                linsert(o, o.tail, mkline(o, "; Optimizer V4.1l - 28 Nov 2001"));
        }
    }

    // Returns true when the chunk ends at this line.
    bool take(LineNode* node) {
        // "name: text" is split when the text starts with a mnemonic; the
        // text may hold further labels.
        while (node->kind == K_LABELTEXT) {
            std::string line = node->text;
            std::size_t colon = line.find(':');
            std::size_t i = colon + 1;
            while (i < line.size() && blank(line[i])) ++i;
            std::size_t w = i;
            while (i < line.size() && wordchar(line[i])) ++i;
            if (findmnem(std::string_view(line).substr(w, i - w)) < 0) {
                node->kind = K_TEXT;
                break;
            }
            std::size_t start = 0;
            while (blank(line[start])) ++start;
            std::string name = line.substr(start, colon - start);
            while (!name.empty() && blank(name.back())) name.pop_back();
            node->kind = K_LABEL | K_KEEP;
            node->text = name + ":";
            append(node);
            chain(node);
            node = mkline(o, std::string_view(line).substr(colon + 1));
        }
        if (node->is_label()) {
            if (node->text == "FL:" || node->text == "VL:") {
                bool vl = node->text == "VL:";
                delete node;
                if (vl) {
                    if (LineNode* before = o.tail) {
                        before->kind |= K_KEEP;
                        if (before->is_insn() && ((before->effects & R_Y) || (before->uses & R_X))) o.ytox_off = true;
                    }
                    return false;
                }
                if (started) return true;
                started = true;
                return false;
            }
            append(node);
            if (node->text == "YTOX:") {
                o.ytox = true;
                chain(node);
            } else if (started) {
                chain(node);
            }
            return false;
        }
        if (node->is_insn() && !started) node->kind |= K_KEEP;
        append(node);
        return false;
    }
};

}  // namespace

int readchunk(Opt& o) {
    if (o.end_of_input) return 0;
    o.rule = "";
    o.ytox = false;
    o.ytox_off = false;
    Reader r{o};
    std::string line;
    for (;;) {
        if (!o.readline(line)) {
            o.end_of_input = true;
            // The code generator closes every function with its marker: a
            // text that ends inside one was cut short.
            if (r.started) optfatal("EOF", "");
            break;
        }
        ++r.n;
        if (r.take(mkline(o, line))) break;
    }
    return r.n;
}

}  // namespace ccopt
