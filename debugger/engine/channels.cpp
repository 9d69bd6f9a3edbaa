#include "debugger/engine/channels.h"

#include <cctype>
#include <cstring>
#include <filesystem>
#include <vector>

#include "debugger/engine/commands.h"
#include "debugger/engine/events.h"
#include "debugger/engine/handlers.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/monitors.h"
#include "debugger/engine/options.h"
#include "debugger/engine/program.h"
#include "debugger/engine/scan.h"
#include "debugger/engine/sink.h"
#include "debugger/target/messages.h"
#include "debugger/target/services.h"
#include "support/line_read.h"

namespace vy {

bool CmdFileRunning;
bool RedirectOn;
std::FILE* logfile;
int InputResult;
std::string SourcePath;

static std::FILE* redirfile;

// ---------------------------------------------------------------------------
// Errors

void reporterror(std::string_view text) {
    if (!CmdFileRunning) {
        ErrorBox(text);
        return;
    }
    // One line, whatever the texts hold: control bytes are shown as \xNN,
    // and the line is ended even when the report has no line end.
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    std::string line = "#error: ";
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7F) {
            static const char hex[] = "0123456789abcdef";
            line += "\\x";
            line += hex[u >> 4];
            line += hex[u & 15];
        } else {
            line += c;
        }
    }
    line += '\n';
    WinOutput(line.data(), static_cast<uint32_t>(line.size()));
}

// ---------------------------------------------------------------------------
// Finding files along the search path

static bool isabsolute(const char* name) {
    if (name[0] == '/' || name[0] == '\\') return true;
    return name[0] && name[1] == ':';
}

#ifdef _WIN32
constexpr char SEPARATOR = '\\';
#else
constexpr char SEPARATOR = '/';
#endif

// Each element of the search path joined with the name, in order; `opened`
// gets the name that opened.
static std::FILE* openalongpath(const char* name, const char* mode, std::string* opened = nullptr) {
    std::string_view path = SourcePath;
    while (!path.empty()) {
        std::size_t bar = path.find('|');
        std::string_view element = path.substr(0, bar);
        path = bar == std::string_view::npos ? std::string_view() : path.substr(bar + 1);
        if (element.empty()) continue;
        std::string joined(element);
        if (joined.back() != '/' && joined.back() != '\\') joined += SEPARATOR;
        joined += name;
        if (std::FILE* f = std::fopen(joined.c_str(), mode)) {
            if (opened) *opened = joined;
            return f;
        }
    }
    return nullptr;
}

std::FILE* srcopen(const char* name, bool binary) {
    const char* mode = binary ? "rb" : "r";
    bool absolute = isabsolute(name);
    if (absolute)
        if (std::FILE* f = std::fopen(name, mode)) return f;
    if (std::FILE* f = openalongpath(name, mode)) return f;
    return absolute ? nullptr : std::fopen(name, mode);
}

// ---------------------------------------------------------------------------
// Files read and written at once
//
// A command file being run, the redirection file and the command log are
// never one file: redirecting output onto a command file that is being read
// would feed the reader its own output without end (and truncate the
// script), and so would running the file that output goes to. Files are
// compared by identity, so a second name or a link is the same file.

namespace fs = std::filesystem;

static std::vector<fs::path> runningfiles;   // the command files being run
static fs::path redirpath, logpath;

// A name that the host cannot take as a path (bytes that are no text in its
// code page) gives an empty path, which is the same as no file.
static fs::path fullpath(const char* name) {
    try {
        std::error_code ec;
        fs::path p = fs::absolute(fs::path(name), ec);
        return ec ? fs::path(name) : p;
    } catch (...) {
        return {};
    }
}

static bool samefile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return !a.empty() && !b.empty() && fs::equivalent(a, b, ec);
}

static bool beingrun(const fs::path& p) {
    for (const fs::path& f : runningfiles)
        if (samefile(f, p)) return true;
    return false;
}

// ---------------------------------------------------------------------------
// Command files

// How many command files are running, and whether the nest of them is being
// given up because one went too deep: every file but the outermost stops,
// so a file that inputs itself (even twice) ends at once.
static int inputdepth;
static bool abandoning;

static void runfile(std::FILE* file, const fs::path& path);

int docmdfile(const char* name) {
    if (!*name) return 1;
    if (inputdepth >= INPUTDEPTH) {
        dberror({"input nested too deeply\n"});
        abandoning = true;
        return 0;
    }
    std::string opened = name;
    std::FILE* f = std::fopen(name, "rb");
    if (!f) f = openalongpath(name, "rb", &opened);
    if (!f) {
        dberror({name, ": ", msgtext(MSG_CANTREDIRECT), "\n"});
        return 0;
    }
    fs::path path = fullpath(opened.c_str());
    const char* clash = samefile(path, redirpath) ? "the output redirection file"
                        : samefile(path, logpath) ? "the command log"
                                                  : nullptr;
    if (clash) {
        std::fclose(f);
        dberror({name, ": ", msgtext(MSG_CANTREDIRECT), ": the file is ", clash, "\n"});
        return 0;
    }
    runfile(f, path);
    std::fclose(f);
    return 1;
}

// One whole line of any length, without its line end; false at the end.
static bool readline(std::FILE* file, std::string& line) {
    line.clear();
    char piece[512];
    for (;;) {
        int32_t n = getl(file, piece, sizeof piece);
        if (n == 0) break;
        line.append(piece, static_cast<std::size_t>(n));
        if (piece[n - 1] == '\n') break;
    }
    if (line.empty()) return false;
    if (line.back() == '\n') line.pop_back();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

void runcmdfile(std::FILE* file, const char* path) { runfile(file, path ? fullpath(path) : fs::path()); }

static void runfile(std::FILE* file, const fs::path& path) {
    runningfiles.push_back(path);
    ++inputdepth;
    bool wasrunning = CmdFileRunning;
    std::string line;   // each file has its own
    for (;;) {
        if (QuitRequested) break;
        if (abandoning) {
            if (inputdepth > 1) break;
            abandoning = false;
        }
        if (!readline(file, line)) {
            if (std::ferror(file)) {
                CmdFileRunning = true;
                dberror({msgtext(MSG_READERROR), "\n"});
            }
            break;
        }
        CmdFileRunning = true;
        dbputs({line, "\n"});
        docmdline(line.c_str(), 1);
        DispatchMessages();
    }
    CmdFileRunning = wasrunning;
    --inputdepth;
    runningfiles.pop_back();
}

// A name without the blanks that end it (Windows drops them anyway).
static std::string trimmed(const char* from, const char* to) {
    while (to > from && isblankbyte(to[-1])) --to;
    return std::string(from, to);
}

const char* doinput(const char* text, int arg) {
    const char* end = text + std::strcspn(text, "\t;}");
    InputResult = docmdfile(trimmed(text, end).c_str());
    return end;
}

// ---------------------------------------------------------------------------
// Output redirection

int setoutput(const char* name, bool append) {
    redirclose();
    name = skipblanks(name);
    if (!*name) return 1;
    fs::path path = fullpath(name);
    const char* clash = beingrun(path) ? "a command file being run" : samefile(path, logpath) ? "the command log" : nullptr;
    if (clash) {
        dberror({"Can't Open ", name, " for output redirection: the file is ", clash, "\n"});
        return 0;
    }
    std::FILE* f = std::fopen(name, append ? "a" : "w");
    if (!f) {
        dberror({"Can't Open ", name, " for output redirection\n"});
        return 0;
    }
    redirfile = f;
    redirpath = path;
    RedirectOn = true;
    return 1;
}

void redirwrite(const char* text, uint32_t length) {
    if (redirfile) std::fwrite(text, 1, length, redirfile);
}

void redirclose() {
    if (redirfile) std::fclose(redirfile);
    redirfile = nullptr;
    redirpath.clear();
    RedirectOn = false;
}

// The option letters at p, each one of `letters` setting the bit of its
// index in `chosen`; null after reporting an unknown letter.
static const char* optionbits(const char* p, const char* letters, unsigned& chosen) {
    return readletters(p, letters, [&](char c) { chosen |= 1u << (std::strchr(letters, c) - letters); });
}

const char* dooutput(const char* text, int arg) {
    unsigned append = 0;
    const char* p = optionbits(text, "a", append);
    if (!p) return CMD_END;
    const char* end = stmtend(p);
    setoutput(trimmed(p, end).c_str(), append != 0);
    return end;
}

// ---------------------------------------------------------------------------
// The command log and saved state

void logopen(const char* name) {
    if (!*name) {
        if (logfile) std::fclose(logfile);
        logfile = nullptr;
        logpath.clear();
        return;
    }
    if (logfile) {
        dberror({msgtext(MSG_LOGOPEN), "\n"});
        return;
    }
    fs::path path = fullpath(name);
    const char* clash = beingrun(path) ? "a command file being run" : samefile(path, redirpath) ? "the output redirection file" : nullptr;
    if (clash) {
        dberror({msgtext(MSG_CANTCREATE), ": ", name, ": the file is ", clash, "\n"});
        return;
    }
    logfile = std::fopen(name, "w");
    if (!logfile) dberror({msgtext(MSG_CANTCREATE), "\n"});
    else logpath = path;
}

const char* dorecord(const char* text, int arg) {
    logopen(trimmed(text, text + std::strlen(text)).c_str());
    return CMD_END;
}

void writestate(unsigned parts, const char* name) {
    std::FILE* f = std::fopen(name, "w");
    if (!f) {
        dberror({msgtext(MSG_CANTCREATE), "\n"});
        return;
    }
    if (parts == 0) parts = WRITE_EVENTS | WRITE_MONITORS | WRITE_FUNCTIONS;
    if (parts & WRITE_EVENTS) writeevents(f);
    if (parts & WRITE_MONITORS) writemonits(f);
    std::fclose(f);
}

const char* dowrite(const char* text, int arg) {
    unsigned parts = 0;   // the letters in the order of the WRITE_ bits
    const char* p = optionbits(text, "emf", parts);
    if (!p) return CMD_END;
    writestate(parts, trimmed(p, p + std::strlen(p)).c_str());
    return CMD_END;
}

// ---------------------------------------------------------------------------
// Source lines by number

// One file is kept open between calls, so that consecutive lines are read
// in one pass.
static struct {
    std::string name;
    bool named = false;
    std::FILE* file = nullptr;
    uint32_t next = 0;   // number of the next line to read
    std::string line;
} source;

static void sourceclose() {
    if (source.file) std::fclose(source.file);
    source.file = nullptr;
}

// Reads one character; a read error is reported and ends the file.
static int sourcechar() {
    int c = std::getc(source.file);
    if (c == EOF && std::ferror(source.file)) dberror({msgtext(MSG_READERROR), "\n"});
    return c;
}

const char* readsrcline(const char* name, uint32_t line) {
    if (!name) {
        sourceclose();
        source.named = false;
        return nullptr;
    }
    if (!source.named || source.name != name || (line != 0 && line < source.next)) {
        sourceclose();
        source.name = name;
        source.named = true;
        source.next = 1;
        source.file = srcopen(name, true);
        if (!source.file) return msgtext(MSG_FILENOTFOUND);
    }
    if (!source.file) return nullptr;   // the same file after a failure

    int c = 0;
    while (line != 0 && source.next < line && (c = sourcechar()) != EOF)
        if (c == '\n') ++source.next;
    source.line.clear();
    bool any = false;
    if (c != EOF) {
        while ((c = sourcechar()) != EOF && c != '\n') {
            any = true;
            if (c == '\t') source.line.append(4 - source.line.size() % 4, ' ');
            else source.line += static_cast<char>(c);
        }
        any = any || c == '\n';
    }
    if (!any) {
        // The end of the file: closed and forgotten, so asking again reopens it.
        sourceclose();
        source.named = false;
        return nullptr;
    }
    if (!source.line.empty() && source.line.back() == '\r') source.line.pop_back();
    ++source.next;
    return source.line.c_str();
}

}  // namespace vy
