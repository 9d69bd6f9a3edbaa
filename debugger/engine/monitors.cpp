#include "debugger/engine/monitors.h"

#include <cctype>
#include <cstring>
#include <memory>

#include "debugger/engine/commands.h"
#include "debugger/engine/evaluator.h"
#include "debugger/engine/handlers.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/options.h"
#include "debugger/engine/scan.h"
#include "debugger/engine/sink.h"
#include "debugger/engine/source_trace.h"
#include "debugger/target/abi.h"
#include "debugger/target/messages.h"
#include "debugger/target/services.h"

namespace vy {

MonitorRecord* monitors;
uint32_t monitorcount;
bool monitorschanged;
bool norefresh;

void refreshfollowers() {
    if (norefresh) return;
    IORegRefresh();
    VyrDataMemUpdate(0);
    UpdateVarsWindows();
    if (monitors || MonitorsWindowShown()) RefreshMonitors(monitorschanged ? 1 : 0);
    KernelUpdate();
    monitorschanged = false;
}

static char storedletter(char letter) {
    if (letter == 's') return 'S';
    if (letter == 'c') return 'C';
    return letter;
}

static MonitorRecord* findtext(const char* text) {
    for (MonitorRecord* m = monitors; m; m = m->next)
        if (m->text == text) return m;
    return nullptr;
}

// A new monitor in its place: the smallest number not in use.
static MonitorRecord* newmonitor(const char* text, char letter) {
    uint32_t number = 1;
    MonitorRecord** link = &monitors;
    while (*link && (*link)->number == number) {
        ++number;
        link = &(*link)->next;
    }
    auto* m = new MonitorRecord{};
    m->next = *link;
    *link = m;
    m->number = number;
    m->on = 1;
    m->format = letter;
    m->text = text;
    ++monitorcount;
    monitorschanged = true;
    SetMonitorCount(monitorcount);
    return m;
}

void addmonit(const ResultRecord* r, char letter) {
    letter = storedletter(letter);
    if (MonitorRecord* m = findtext(r->text)) {
        m->format = letter;
        return;
    }
    newmonitor(r->text, letter);
}

void monitcell(const char* name, uint32_t address, int menuid) {
    const char* sizes = "bwl";
    if (menuid < 927 || menuid > 929) return;
    char size = sizes[menuid - 927];
    std::string text = "[" + std::string(name) + "]." + size;
    MonitorRecord* m = findtext(text.c_str());
    if (!m) m = newmonitor(text.c_str(), 'x');
    m->format = 'x';
    m->size = size;
    m->celladdress = address;
    refreshfollowers();
}

static void unlink(MonitorRecord* m) {
    for (MonitorRecord** link = &monitors; *link; link = &(*link)->next) {
        if (*link != m) continue;
        *link = m->next;
        delete m;
        --monitorcount;
        return;
    }
}

static void told(uint32_t before) {
    SetMonitorCount(monitorcount);
    if (monitorcount == before) return;
    monitorschanged = true;
    refreshfollowers();
}

void rmmonit(int number) {
    uint32_t before = monitorcount;
    if (number == -1) {
        while (monitors) unlink(monitors);
    } else if (MonitorRecord* m = findmonit(static_cast<uint32_t>(number))) {
        unlink(m);
    } else {
        dberror({msgtext(MSG_NOMONITOR), "\n"});
    }
    told(before);
}

bool rmmonittext(const char* text) {
    MonitorRecord* m = findtext(text);
    if (!m) return false;
    uint32_t before = monitorcount;
    unlink(m);
    told(before);
    return true;
}

MonitorRecord* findmonit(uint32_t number) {
    for (MonitorRecord* m = monitors; m; m = m->next)
        if (m->number == number) return m;
    return nullptr;
}

const char* monittext(uint32_t number) {
    MonitorRecord* m = findmonit(number);
    return m ? m->text.c_str() : "";
}

void setmonfmt(MonitorRecord* m, char letter) {
    m->format = storedletter(letter);
    refreshfollowers();
}

void writemonits(std::FILE* file) {
    for (MonitorRecord* m = monitors; m; m = m->next) {
        std::string line = "monit ";
        if (m->format && m->format != ' ') {
            line += '/';
            line += static_cast<char>(std::tolower(static_cast<unsigned char>(m->format)));
            line += ' ';
        }
        line += m->text + "\n";
        std::fputs(line.c_str(), file);
    }
}

std::vector<LiveMonitor> livemonitors() {
    std::vector<LiveMonitor> live;
    for (MonitorRecord* m = monitors; m; m = m->next) live.push_back({m->number, m->on != 0, m->format, m->text});
    return live;
}

bool monitorvalue(const LiveMonitor& monitor, std::string& value) {
    const char* p = monitor.text.c_str();
    int error = 0;
    ResultRecord* r = xexpr(&p, &error, 1);
    if (error) {
        // A local kept in a register has no address to read; where it lives
        // is its value text.
        bool inregister =
            error == MSG_NOTADDRESSABLE && (isframeclass(r->storage) || r->storage == 13 || r->storage == 15);
        if (inregister) value = resultreg(r->type);
        xfree(r);
        return inregister;
    }
    // Printed into the monitors' capture, which is given back as it was.
    auto saved = std::make_unique<CaptureBuffer>(capture2);
    const char* out = WinStartFakeIo2();
    putresult(r, monitor.letter);
    value = out;
    capture2 = *saved;
    xfree(r);
    return true;
}

void clearmonitors() {
    while (monitors) unlink(monitors);
    monitorschanged = false;
}

// ---------------------------------------------------------------------------
// The monitor command: one format letter (the last given), then a list of
// expressions, each parsed without evaluating.

const char* domonit(const char* text, int arg) {
    char letter = 0;
    const char* p = readletters(text, "dbuxsoc", [&](char c) { letter = c; });
    if (!p) return CMD_END;
    while (*p && *p != ';' && *p != '}') {
        const char* q = p;
        int error = 0;
        ResultRecord* r = xexpr(&q, &error, 0);
        if (error && !(error == MSG_NOTADDRESSABLE && isframeclass(r->storage))) {
            dberror({msgtext(error), ": ", r->text, "\n"});
            xfree(r);
            refreshfollowers();
            return stmtend(p);
        }
        addmonit(r, letter);
        xfree(r);
        p = skipblanks(q);
        if (*p != ',') break;
        p = skipblanks(p + 1);
    }
    refreshfollowers();
    return p;
}

}  // namespace vy
