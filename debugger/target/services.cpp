#include "debugger/target/services.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "debugger/target/console_services.h"
#include "debugger/target/messages.h"
#include "debugger/target/watch.h"
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
