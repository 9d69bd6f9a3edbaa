#include "debugger/engine/assertions.h"

#include <cstring>
#include <vector>

#include "debugger/engine/commands.h"
#include "debugger/engine/location.h"
#include "debugger/engine/monitors.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/messages.h"
#include "debugger/target/services.h"

namespace vy {

AssertRecord* assertions;
bool AssertsRunning;

// An assertion deleted while the actions run (by an action, its own or
// another's, or by a load) is unlinked at once and freed after the check.
static int checking;
static std::vector<AssertRecord*> graveyard;

static void purge() {
    if (checking) return;
    for (AssertRecord* a : graveyard) delete a;
    graveyard.clear();
}

static void freeassert(AssertRecord* a) {
    for (AssertRecord** link = &assertions; *link; link = &(*link)->next) {
        if (*link != a) continue;
        *link = a->next;
        break;
    }
    a->gone = true;
    graveyard.push_back(a);
    purge();
}

uint32_t addassert(const char* action, const LocationSpec& where) {
    if (where.present) {
        if (where.name) {
            dberror({msgtext(MSG_ILLEGALTERM), "\n"});
            return 0;
        }
        if (where.file && !findfile(where.file)) {
            dberror({where.file, ": ", msgtext(MSG_FILENOTFOUND), "\n"});
            return 0;
        }
        if (where.function && !findfunc(where.function)) {
            dberror({where.function, "(): ", msgtext(MSG_NOFUNCTION), "\n"});
            return 0;
        }
    }
    uint32_t number = 1;
    AssertRecord** link = &assertions;
    while (*link && (*link)->number == number) {
        ++number;
        link = &(*link)->next;
    }
    auto* a = new AssertRecord{};
    a->next = *link;
    *link = a;
    a->active = 1;
    a->number = number;
    a->haslocation = where.present && (where.file || where.function || where.number);
    if (a->haslocation) {
        a->file = where.file ? where.file : "";
        a->function = where.function ? where.function : "";
        a->first = where.number;
        a->last = where.endline ? where.endline : where.number;
    }
    a->action = action;
    return number;
}

static AssertRecord* findassert(int number) {
    for (AssertRecord* a = assertions; a; a = a->next)
        if (static_cast<int>(a->number) == number) return a;
    return nullptr;
}

void rmassert(int number) {
    if (number == -1) {
        while (assertions) freeassert(assertions);
        return;
    }
    if (AssertRecord* a = findassert(number)) freeassert(a);
    else dberror({msgtext(MSG_NOASSERTION), "\n"});
}

void activassert(char letter, int number) {
    uint32_t on = letter == 'a' || letter == 'A';
    if (number == -1) {
        for (AssertRecord* a = assertions; a; a = a->next) a->active = on;
        return;
    }
    if (AssertRecord* a = findassert(number)) a->active = on;
    else dberror({msgtext(MSG_NOASSERTION), "\n"});
}

void listasserts() {
    for (AssertRecord* a = assertions; a; a = a->next) {
        std::string line = "(" + std::to_string(a->number) + ") " + a->file;
        if (!a->function.empty()) line += (a->file.empty() ? "" : " ") + a->function + "()";
        if (a->first) line += ":" + std::to_string(a->first) + ":" + std::to_string(a->last);
        line += " {" + a->action + "}";
        line += a->active ? " (on)\n" : " (off)\n";
        dbputs({line});
    }
}

void clearasserts() {
    while (assertions) freeassert(assertions);
}

// Whether the top frame is at an assertion's location.
static bool atlocation(const AssertRecord* a) {
    if (!a->haslocation) return true;
    const FrameNode* f = topframe;
    if (!f || !f->func) return false;
    if (!a->function.empty() && a->function != f->func->name) return false;
    if (!a->file.empty() && (!f->func->file || a->file != f->func->file->name)) return false;
    return !a->first || (f->line >= a->first && f->line <= a->last);
}

void chkasserts() {
    if (assertions) {
        purge();
        ++checking;
        AssertsRunning = true;
        // The actions may add and delete assertions: the ones to run are
        // chosen first, and one deleted meanwhile is passed over.
        std::vector<AssertRecord*> due;
        for (AssertRecord* a = assertions; a; a = a->next)
            if (a->active && atlocation(a)) due.push_back(a);
        for (AssertRecord* a : due) {
            if (a->gone) continue;
            std::string action = a->action;
            doblock(action.c_str(), 1);
        }
        AssertsRunning = false;
        --checking;
        purge();
    }
    refreshfollowers();
}

}  // namespace vy
