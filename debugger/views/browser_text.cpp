#include "debugger/views/browser_text.h"

#include <cstring>

#include "debugger/target/debug_tables.h"
#include "debugger/target/output.h"
#include "debugger/views/list_text.h"

namespace vy {

static const char* text(const char* t) { return t ? t : ""; }

bool listedfile(const FileRec& file) { return !(file.flags & FILE_NOTUNIQUE); }

bool listedfunction(const FuncRec& function) {
    return function.start && function.name && function.name[0] && function.name[0] != '.';
}

static bool haslisted(const FileRec& file) {
    for (const FuncRec* fn = file.funcs; fn; fn = fn->next)
        if (listedfunction(*fn)) return true;
    return false;
}

static std::string link(char letter, const char* name) { return std::string{LT_LINK, letter} + text(name) + LT_END; }

// Ends a fill: the text, or no text at all when memory ran out.
static bool filled(TextBuf& buf) {
    if (buf.base) return true;
    TextBufFree(buf);
    return false;
}

bool fillfilebrowser(TextBuf& buf) {
    if (!TextBufOpen(buf)) return false;
    TextBufCat(buf, {"\n"});
    for (const FileRec* f = filelist; morefiles(f); f = f->next)
        if (listedfile(*f)) TextBufCat(buf, {"         ", colour(4), link('F', f->name), colour(1), "         \n"});
    TextBufCat(buf, {"\n"});
    return filled(buf);
}

std::string statemark(bool on) {
    return on ? " (" + colour(12) + link('S', "on") + colour(1) + ")   "
              : " (" + colour(13) + link('S', "off") + colour(1) + ")  ";
}

std::string togglebytes(bool on) {
    return on ? " (" + colour(12) + link('S', "on") + colour(1) + ") " : " (" + colour(13) + link('S', "off") + colour(1) + ")";
}

static void functionlines(TextBuf& buf, const FileRec& file) {
    TextBufCat(buf, {colour(2), "\nFunctions in file: ", colour(4), link('L', file.name), colour(1), "\n"});
    for (const FuncRec* fn = file.funcs; fn; fn = fn->next) {
        if (!listedfunction(*fn)) continue;
        TextBufCat(buf, {statemark(fn->active == 1), std::string(1, LT_END), colour(3), text(fn->signature), colour(2),
                         link('E', fn->name), colour(1), "(", text(fn->argtext), ")", " at ", colour(2),
                         hexaddr(fn->start->addr), "\n"});
    }
    TextBufCat(buf, {"\n"});
}

bool fillfunctionbrowser(TextBuf& buf, const char* file) {
    if (!TextBufOpen(buf)) return false;
    for (const FileRec* f = filelist; morefiles(f); f = f->next) {
        if (file && std::strcmp(f->name, file) != 0) continue;
        if (listedfile(*f) && haslisted(*f)) functionlines(buf, *f);
        if (file) break;
    }
    TextBufCat(buf, {""});
    return filled(buf);
}

std::string functionlinkname(std::string_view line) {
    std::size_t at = 0;
    while ((at = line.find(LT_LINK, at)) != std::string_view::npos && (at + 1 >= line.size() || line[at + 1] != 'E'))
        ++at;
    if (at == std::string_view::npos) return {};
    std::size_t end = line.find(LT_END, at);
    return plaintext(line.substr(at + 2, end == std::string_view::npos ? std::string_view::npos : end - at - 2));
}

std::string togglecommand(std::string_view link, std::string_view name) {
    bool on = link.size() >= 3 && link.substr(1, 2) == "on";
    return std::string(on ? "deact " : "activ ") + std::string(name) + "()";
}

std::string savedfilelist() {
    std::string list = "\n\t\tFiles List\n\n";
    for (const FileRec* f = filelist; morefiles(f); f = f->next)
        if (listedfile(*f)) list += std::string("\t") + f->name + "\n";
    return list;
}

std::string savedfunctionlist(bool printed) {
    const char* tab = printed ? "" : "\t";
    std::string list = "\n\t\tFunction List\n\n";
    for (const FileRec* f = filelist; morefiles(f); f = f->next) {
        if (!listedfile(*f) || !haslisted(*f)) continue;
        list += std::string("\n") + tab + "Functions in file: " + f->name + "\n";
        for (const FuncRec* fn = f->funcs; fn; fn = fn->next)
            if (listedfunction(*fn))
                list += std::string(tab) + text(fn->signature) + fn->name + "(" + text(fn->argtext) + ")" + " at " +
                        hexaddr(fn->start->addr) + "\n\n";
    }
    return list;
}

}  // namespace vy
