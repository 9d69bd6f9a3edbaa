// The listing: one line per statement with address and code bytes, page
// headers, the symbol table with reference lines, and the verilog file.
#include <algorithm>

#include "ccparse/toolkit/toolkit.h"
#include "ccasm/asm.h"

namespace ccasm {
namespace {

void out_line(Asm& a, const std::string& text);

const std::string* in_force(const std::vector<TitleEntry>& list, uint32_t line) {
    const std::string* found = nullptr;
    for (const TitleEntry& t : list)
        if (t.line <= line) found = &t.text;
    return found;
}

void new_page(Asm& a) {
    Listing& l = a.list;
    if (l.page > 0) std::fputs(a.opt.formfeed ? "\f" : "\n\n", l.file);
    ++l.page;
    const std::string* title = in_force(l.titles, a.pass_lines);
    const std::string* subtitle = in_force(l.subtitles, a.pass_lines);
    int name_len = static_cast<int>(a.source.size());
    bool header = false;
    if (title) {
        int field = std::max(0, 50 - name_len);
        std::fprintf(l.file, "%s %-*.*s %s page %d\n", a.date.c_str(), field, field, title->c_str(), a.source.c_str(),
                     l.page);
        header = true;
    } else if (a.opt.force_title) {
        int field = std::max(0, 70 - name_len);
        std::fprintf(l.file, "%-*.*s %s page %d\n", field, field, a.date.c_str(), a.source.c_str(), l.page);
        header = true;
    }
    if (header) {
        if (subtitle) std::fprintf(l.file, "%s\n", subtitle->c_str());
        std::fputs("\n\n", l.file);
        l.lines_on_page = subtitle ? 7 : 6;
    } else {
        l.lines_on_page = 3;
    }
}

void out_line(Asm& a, const std::string& text) {
    Listing& l = a.list;
    if (l.paging && l.page_length >= 10 && (l.page == 0 || l.lines_on_page >= l.page_length)) new_page(a);
    std::fputs(text.c_str(), l.file);
    std::fputc('\n', l.file);
    ++l.lines_on_page;
}

bool suppressed(Asm& a, bool from_expansion) {
    const Listing& l = a.list;
    if (l.nolist || l.suppress) return true;
    if ((l.is_conditional || l.in_false_block) && !l.clist) return true;
    bool in_debug = l.address_section >= 0 && static_cast<size_t>(l.address_section) < a.sections.size() &&
                    a.sections[l.address_section].debug;
    if ((l.is_debug || in_debug) && !l.dlist) return true;
    if (from_expansion && !l.mlist) return true;
    return false;
}

std::string format_line(Asm& a, std::string_view text) {
    Listing& l = a.list;
    char buf[64];
    uint32_t number = a.opt.cross_ref ? a.pass_lines : current_line(a);
    std::snprintf(buf, sizeof buf, "%4lu  ", static_cast<unsigned long>(number));
    std::string s = buf;
    std::vector<uint8_t> bytes = l.bytes;
    if (l.blank_line) {
        bytes.clear();
        s += "     ";
    } else if (l.value_line) {
        uint32_t v = static_cast<uint32_t>(l.value);
        bytes = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
                 static_cast<uint8_t>(v)};
        s += "     ";
    } else if (!l.bytes.empty() || l.show_address) {
        std::snprintf(buf, sizeof buf, "%0*lx ", 4, static_cast<unsigned long>(l.line_address));
        s += buf;
    } else {
        s += "     ";
    }
    for (size_t i = 0; i < 6; ++i) {
        if (i < bytes.size()) {
            std::snprintf(buf, sizeof buf, "%02x", bytes[i]);
            s += buf;
        } else {
            s += "  ";
        }
    }
    s += "  ";
    s.append(text);
    return s;
}

bool symbol_listed(const Asm& a, const Symbol* s) {
    if (s->attr & (SA_LOCAL | SA_REGISTER | SA_DEBUG)) return false;
    return !(s->section >= 0 && a.sections[s->section].debug);
}

}  // namespace

void listing_open(Asm& a) {
    Listing& l = a.list;
    l.paging = a.opt.force_title;
    l.page = 0;
    l.lines_on_page = 0;
    l.page_length = 66;
    l.nolist = false;
    l.clist = l.dlist = l.mlist = false;
    if (!l.on) return;
    l.file = std::fopen(a.listing_name.c_str(), "w");
    if (!l.file) {
        diag_noline(a, a.source, "can't create " + a.listing_name);
        ++a.errors;
        l.on = false;
        return;
    }
    if (!a.opt.verilog_name.empty()) {
        l.verilog = std::fopen(a.opt.verilog_name.c_str(), "w");
        if (!l.verilog) {
            diag_noline(a, a.source, "can't create " + a.opt.verilog_name);
            ++a.errors;
        }
    }
}

void listing_close(Asm& a) {
    Listing& l = a.list;
    bool ok = true;
    if (l.file) {
        ok = !std::ferror(l.file);
        ok = std::fclose(l.file) == 0 && ok;
        l.file = nullptr;
        if (!ok) {
            vy::removefile(a.listing_name.c_str());
            diag_noline(a, a.source, "can't write " + a.listing_name);
            ++a.errors;
        }
    }
    if (l.verilog) {
        ok = !std::ferror(l.verilog);
        ok = std::fclose(l.verilog) == 0 && ok;
        l.verilog = nullptr;
        if (!ok) {
            vy::removefile(a.opt.verilog_name.c_str());
            diag_noline(a, a.source, "can't write " + a.opt.verilog_name);
            ++a.errors;
        }
    }
}

void listing_line(Asm& a, std::string_view text, bool from_expansion) {
    Listing& l = a.list;
    if (!l.on || !l.file) return;
    if (!suppressed(a, from_expansion)) out_line(a, format_line(a, text));
    for (const std::string& s : l.source_lines) out_line(a, s);
    l.source_lines.clear();
}

void listing_error(Asm& a, const std::string& message) {
    if (!a.list.on || !a.list.file) return;
    out_line(a, "******** ERROR:  " + message + "  ********");
}

void list_title(Asm& a, int which) {
    Token t = gettoken(a);
    if (t.kind != T_STRING || t.bad) {
        error(a, "missing string");
        a.pos = a.line.size();
        a.nback = 0;
        return;
    }
    if (which == 0) a.list.paging = true;
    if (a.pass == 1) (which == 0 ? a.list.titles : a.list.subtitles).push_back({a.pass_lines, std::string(t.text)});
}

void list_page(Asm& a) {
    Listing& l = a.list;
    if (!l.on || !l.file || !l.paging || l.page_length < 10 || l.page == 0) return;
    if (a.opt.formfeed) {
        l.lines_on_page = l.page_length;
        return;
    }
    while (l.lines_on_page < l.page_length) {
        std::fputc('\n', l.file);
        ++l.lines_on_page;
    }
}

void list_space(Asm& a, int count) {
    if (!a.list.on || !a.list.file || a.list.nolist) return;
    for (int i = 0; i < count; ++i) out_line(a, "");
}

void verilog_line(Asm& a, std::string_view text) {
    if (!a.list.on || !a.list.verilog) return;
    std::fwrite(text.data(), 1, text.size(), a.list.verilog);
    std::fputc('\n', a.list.verilog);
}

void listing_symbols(Asm& a) {
    std::vector<const Symbol*> syms;
    size_t width = 0;
    for (const Symbol* s = a.sym_head; s; s = s->next)
        if (symbol_listed(a, s)) {
            syms.push_back(s);
            width = std::max(width, s->name.size());
        }
    std::sort(syms.begin(), syms.end(), [](const Symbol* x, const Symbol* y) { return x->name < y->name; });
    int w = static_cast<int>(width + 2);
    out_line(a, "");
    out_line(a, "Symbol table:");
    out_line(a, "");
    for (const Symbol* s : syms) {
        char buf[512];
        std::string text;
        std::snprintf(buf, sizeof buf, "%-*.*s %-10.08x ", w, w, s->name.c_str(), static_cast<unsigned>(s->value));
        text = buf;
        if (s->multiply) text += " Multiply";
        else if (!s->defined()) text += " Not Defined";
        std::vector<const char*> words;
        if (s->flags & SF_DEFINED) words.push_back("Defined");
        if (!(s->flags & SF_REFERENCED)) words.push_back("Not Referenced");
        if (s->flags & SF_PUBLIC) words.push_back("Public");
        if (s->flags & SF_ZPAGE) words.push_back("Zero Page");
        if (s->flags & SF_ABSOLUTE) words.push_back("Absolute");
        for (size_t i = 0; i < words.size(); ++i) {
            if (i) text += ",";
            text += " ";
            text += words[i];
        }
        out_line(a, text);
        std::string first = s->defined() ? std::to_string(a.opt.cross_ref ? s->xref_line : s->line) : "***";
        text.assign(static_cast<size_t>(w + 6) > first.size() ? static_cast<size_t>(w + 6) - first.size() : 0, ' ');
        text += first;
        for (size_t i = 0; i < s->refs.size(); ++i) {
            if (i && i % 10 == 0) {
                out_line(a, text);
                text.assign(static_cast<size_t>(w), ' ');
            }
            std::snprintf(buf, sizeof buf, "%6lu", static_cast<unsigned long>(s->refs[i]));
            text += buf;
        }
        out_line(a, text);
    }
}

void listing_end(Asm& a) {
    Listing& l = a.list;
    if (!l.on || !l.file) return;
    if (a.opt.cross_ref) listing_symbols(a);
    if (l.paging && l.page_length >= 10) {
        if (a.opt.formfeed) std::fputc('\f', l.file);
        else
            while (l.lines_on_page < l.page_length) {
                std::fputc('\n', l.file);
                ++l.lines_on_page;
            }
    }
}

}  // namespace ccasm
