#include "debugger/target/services.h"

#include <cctype>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>

#include "debugger/target/console_services.h"
#include "debugger/target/messages.h"
#include "debugger/target/output.h"
#include "debugger/target/watch.h"
#include "support/format.h"
#include "support/list_node.h"

namespace vy {

RunFlags runflags;
MemEvent* memevents;
CommandReader reader;
EventRecord* eventlist;
EventRecord* datahit;
uint8_t LoadAbortFlag;
uint8_t LoadFailed;
std::string startname;
uint8_t kvolmode;

void setstartname(const char* argv0) {
    std::string_view path = argv0 ? argv0 : "";
    std::size_t slash = path.find_last_of("/\\");
    if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
    startname = std::string(path.substr(0, path.find('.')));
}

bool startedas(const char* name) {
    std::size_t n = std::strlen(name);
    if (startname.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(startname[i])) != std::tolower(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

static ConsoleServices console;
TargetServices* currentservices = &console;

void setservices(TargetServices* s) { currentservices = s ? s : &console; }

const char* TargetServices::msgtext(int id) {
    static char missing[32];
    if (const char* text = messagelookup(id)) return text;
    std::snprintf(missing, sizeof missing, " **** Err %d ****", id);
    return missing;
}

void TargetServices::rmbrk(uint16_t number) {
    MemEvent** link = &memevents;
    while (*link) {
        if ((*link)->number == number) {
            MemEvent* gone = *link;
            *link = gone->next;
            freenode(gone->block, nullptr);
            freenode(gone, nullptr);
            reindexevents();
            return;
        }
        link = &(*link)->next;
    }
}

std::string TargetServices::floattext(double value) { return shortfloat(value); }

bool readtextline(std::FILE* f, std::string& line) {
    line.clear();
    int c;
    while ((c = std::getc(f)) != EOF && c != '\n') line += static_cast<char>(c);
    if (c == EOF && line.empty()) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

std::FILE* TargetServices::srcopen(const char* name) { return std::fopen(name, "rb"); }

static std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

static std::string trimmed(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// A settings file as Windows reads one: "[section]" lines, then "key=value"
// lines; names compared without case, blanks around them ignored.
std::string TargetServices::profilestring(const char* section, const char* key, const char* file) {
    std::FILE* f = std::fopen(file, "rb");
    if (!f) return "";
    std::string line, want = lowered(section), wantkey = lowered(key), value;
    bool inside = false, found = false;
    while (!found && readtextline(f, line)) {
        std::string t = trimmed(line);
        if (!t.empty() && t.front() == '[') {
            std::size_t close = t.find(']');
            inside = close != std::string::npos && lowered(trimmed(t.substr(1, close - 1))) == want;
        } else if (inside) {
            std::size_t eq = t.find('=');
            if (eq != std::string::npos && lowered(trimmed(t.substr(0, eq))) == wantkey) {
                value = trimmed(t.substr(eq + 1));
                found = true;
            }
        }
    }
    std::fclose(f);
    return value;
}

void dberror(std::initializer_list<std::string_view> texts) {
    std::string joined;
    for (std::string_view t : texts) joined += t;
    services().error(joined);
}

void dbputs(std::initializer_list<std::string_view> texts) {
    for (std::string_view t : texts) services().output(t);
}

const char* msgtext(int id) { return services().msgtext(id); }

void msgout(int id) { dberror({msgtext(id)}); }

const char* skipwhite(const char* p) {
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

static bool identchar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '$' ||
           c == '~';
}

bool rdident(char* name, int limit) {
    const char* p = reader.pos;
    int n = 0;
    while (identchar(p[n])) ++n;
    reader.pos = p + n;
    if (n > limit) {
        msgout(MSG_NAMETOOLONG);
        name[0] = '\0';
        return false;
    }
    for (int i = 0; i < n; ++i) name[i] = p[i];
    name[n] = '\0';
    return true;
}

}  // namespace vy
