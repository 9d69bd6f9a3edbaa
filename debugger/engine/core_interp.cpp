// The older core's statement interpreter: statements and blocks, the
// keyword statements if, else, while, return and shift, macro calls, the
// input (console or command file) with its journal, the output with its
// redirection, and the banner.
#include <cctype>
#include <cstring>
#include <string>

#include "debugger/engine/channels.h"
#include "debugger/engine/core.h"
#include "debugger/engine/core_state.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/program.h"
#include "debugger/engine/runstate.h"
#include "debugger/target/messages.h"
#include "debugger/target/output.h"
#include "debugger/target/queries.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "debugger/target/watch.h"
#include "support/line_read.h"

namespace vy {

CoreSettings core;
std::vector<CoreMacro> coremacros;
bool (*conread)(std::string& line);

// ---------------------------------------------------------------------------
// Interpreter state

// A running macro call: its body, the line being run and its arguments.
struct MacroCall {
    std::shared_ptr<const CoreBody> body;
    std::size_t line = 0;
    uint16_t count = 0;
    int32_t args[9] = {};
};

// Nesting of if ('I'), while ('W') and macro calls ('M'): at most 29.
constexpr int MAXNESTING = 29;
static int nesting;

static bool enabled = true;       // statements execute, not only skip
static MacroCall* current;        // the running macro call, or null
static bool returning;            // "return" was run; the macro ends
static bool abandoned;            // a fatal message: the text is given up
static int entries;               // interp calls in progress
static int textruns;              // given texts being run

static std::FILE* cmdfile;        // input from a command file, else console
static std::FILE* journal;
static std::FILE* redirect;

bool coreexecuting() { return enabled && !abandoned; }
bool coreabandoned() { return abandoned; }

bool macroargument(int32_t n, int32_t& value) {
    value = 0;
    if (!current) return n == 0;
    if (n == 0) {
        value = current->count;
        return true;
    }
    if (n < 1 || n > current->count) return false;
    value = current->args[n - 1];
    return true;
}

// ---------------------------------------------------------------------------
// Output and errors

int16_t corewriter(void*, const char* bytes, int16_t count) {
    coreputs(std::string_view(bytes, static_cast<std::size_t>(count)));
    return count;
}

// Nothing more of a text that was given up is printed.
void coreputs(std::string_view text) {
    if (abandoned) return;
    if (redirect) std::fwrite(text.data(), 1, text.size(), redirect);
    else services().output(text);
}

bool coreredirect(const char* name) {
    if (redirect) std::fclose(redirect);
    redirect = nullptr;
    if (!*name) return true;
    redirect = std::fopen(name, "a");
    return redirect != nullptr;
}

void coreerror(int id) { dberror({msgtext(id), "\n"}); }

// What the older core made fatal ends the text being run, not the process:
// every loop stops and every nesting unwinds to the outermost call.
void corefatal(int id) {
    coreerror(id);
    abandoned = true;
    reader.pos += std::strlen(reader.pos);
}

// ---------------------------------------------------------------------------
// Input

bool consoleinput() { return cmdfile == nullptr; }

void coreprompt(const char* text) {
    if (consoleinput()) cmdprintf("%p", text);
}

int coreinput(const char* name) {
    coreclosecmd();
    if (!*name) return 1;
    cmdfile = std::fopen(name, "rb");
    return cmdfile != nullptr;
}

void coreclosecmd() {
    if (cmdfile) std::fclose(cmdfile);
    cmdfile = nullptr;
}

int corejournal(const char* name) {
    if (journal) std::fclose(journal);
    journal = nullptr;
    if (!*name) return 1;
    journal = std::fopen(name, "a");
    return journal != nullptr;
}

// One whole line of a command file, without its line end (CRLF or LF).
static bool fileline(std::string& line) {
    line.clear();
    char piece[256];
    bool any = false;
    for (;;) {
        int32_t n = getl(cmdfile, piece, sizeof piece);
        if (n == 0) break;
        any = true;
        line.append(piece, static_cast<std::size_t>(n));
        if (line.back() == '\n') break;
    }
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

bool rdline(std::string& line) {
    if (abandoned) return false;
    if (cmdfile) {
        if (!fileline(line)) {
            coreclosecmd();
            return false;
        }
    } else {
        if (!conread || !conread(line)) {
            dberror({"no more input\n"});
            abandoned = true;
            return false;
        }
        cmdprintf("\n");
    }
    if (journal) {
        std::fwrite(line.data(), 1, line.size(), journal);
        std::fputc('\n', journal);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Macros

CoreMacro* findmacro(std::string_view name) {
    for (CoreMacro& m : coremacros)
        if (m.name == name) return &m;
    return nullptr;
}

bool coremacroexists(const char* name) { return findmacro(name) != nullptr; }

void setmacro(std::string_view name, CoreBody body) {
    CoreMacro* m = findmacro(name);
    if (body.empty()) {
        if (m) coremacros.erase(coremacros.begin() + (m - coremacros.data()));
        return;
    }
    auto shared = std::make_shared<const CoreBody>(std::move(body));
    if (m) m->body = std::move(shared);
    else coremacros.push_back({std::string(name), std::move(shared)});
}

// ---------------------------------------------------------------------------
// Statements

static bool statementend(char c) { return c == '\0' || c == ';' || c == '}' || c == '\n'; }

const char* skipstatement(const char* text) {
    int braces = 0;
    char quote = 0;
    for (const char* p = text;; ++p) {
        char c = *p;
        if (c == '\0') return p;
        if (quote) {
            if (c == '\\' && p[1]) ++p;
            else if (c == quote) quote = 0;
        } else if (c == '"') {
            quote = c;
        } else if (c == '{') {
            ++braces;
        } else if (c == '}') {
            if (braces == 0) return p;
            --braces;
        } else if ((c == ';' || c == '\n') && braces == 0) {
            return p;
        }
    }
}

// The next line of the running macro becomes current.
static bool nextline() {
    if (!current || abandoned || current->line + 1 >= current->body->size()) return false;
    ++current->line;
    reader.pos = (*current->body)[current->line].c_str();
    return true;
}

// Blanks, tabs and line ends; with `cross` also on into the following
// lines of the running macro.
static void skipspace(bool cross) {
    for (;;) {
        reader.pos = skipwhite(reader.pos);
        if (*reader.pos == '\n') {
            ++reader.pos;
        } else if (*reader.pos == '\0' && cross && nextline()) {
            continue;
        } else {
            return;
        }
    }
}

static bool push() {
    if (nesting >= MAXNESTING) {
        corefatal(MSG_STACKOVERFLOW);
        return false;
    }
    ++nesting;
    return true;
}

static void statements(bool one);

// One statement (or block) at the position, executed or only skipped.
static void runone(bool execute) {
    bool was = enabled;
    enabled = execute;
    statements(true);
    enabled = was;
}

// The word at the position, when it stands alone ("else" but not "elsewhere").
static bool wordat(const char* word) {
    std::size_t n = std::strlen(word);
    if (std::strncmp(reader.pos, word, n) != 0) return false;
    char after = reader.pos[n];
    return !(std::isalnum(static_cast<unsigned char>(after)) || after == '_' || after == '.' || after == '$' || after == '~');
}

static void ifstatement() {
    if (!push()) return;
    bool holds = evalexpr() != 0;
    bool was = enabled;
    runone(was && holds);
    skipspace(true);
    if (wordat("else")) {
        reader.pos += 4;
        runone(was && !holds);
    }
    --nesting;
}

static void whilestatement() {
    if (!push()) return;
    const char* start = reader.pos;
    std::size_t line = current ? current->line : 0;
    for (;;) {
        reader.pos = start;
        if (current) current->line = line;
        PollMessages();
        bool holds = evalexpr() != 0;
        bool run = enabled && holds && !StopRequest && !QuitRequested && !abandoned;
        runone(run);
        if (!run || returning || abandoned) break;
    }
    --nesting;
}

static void returnstatement() {
    if (!enabled) return;
    returning = true;
    if (current) {
        current->line = current->body->size() - 1;
        reader.pos = (*current->body)[current->line].c_str();
    }
    reader.pos += std::strlen(reader.pos);
}

static void shiftstatement() {
    int32_t n = endofarg() ? 1 : evalexpr();
    if (!enabled) return;
    if (n == 0) n = 1;
    if (!current || n < 1 || n > 8 || n > current->count) {
        corefatal(MSG_BADARG);
        return;
    }
    for (int k = n; k < current->count; ++k) current->args[k - 1] = current->args[k];
    --current->count;
}

// if, else, while, return and shift; false when the word is none of them.
static bool corekeyword(const char* word) {
    if (std::strcmp(word, "if") == 0) ifstatement();
    else if (std::strcmp(word, "while") == 0) whilestatement();
    else if (std::strcmp(word, "return") == 0) returnstatement();
    else if (std::strcmp(word, "shift") == 0) shiftstatement();
    else if (std::strcmp(word, "else") == 0) runone(false);   // an else without its if
    else return false;
    return true;
}

// A call of a macro with its arguments; false when there is no such macro.
static bool coremacro(const char* word) {
    CoreMacro* m = findmacro(word);
    if (!m) return false;
    MacroCall call;
    call.body = m->body;
    skipspace(false);
    if (!statementend(*reader.pos)) {
        for (;;) {
            int32_t value = evalexpr();
            if (call.count == 9) {
                if (enabled) {
                    corefatal(MSG_TOOMANYARGS);
                    return true;
                }
            } else {
                call.args[call.count++] = value;
            }
            reader.pos = skipwhite(reader.pos);
            if (*reader.pos != ',') break;
            ++reader.pos;
        }
    }
    if (!enabled || abandoned || !push()) return true;
    MacroCall* caller = current;
    const char* after = reader.pos;
    current = &call;
    reader.pos = (*call.body)[0].c_str();
    statements(false);
    current = caller;
    reader.pos = after;
    returning = false;
    --nesting;
    return true;
}

static void statements(bool one) {
    int depth = 0;
    bool started = false;
    for (;;) {
        if (abandoned) return;
        PollMessages();
        skipspace(!one || depth > 0 || !started);
        char c = *reader.pos;
        if (c == '\0') return;
        started = true;
        core.repeat = 0;

        // A block opens and closes here; a '}' at the outermost level of one
        // statement belongs to a block around it and stays.
        if (c == '{') {
            ++depth;
            ++reader.pos;
            continue;
        }
        if (c == '}') {
            if (one && depth == 0) return;
            ++reader.pos;
            if (depth > 0) --depth;
            if (one && depth == 0) return;
            continue;
        }

        // An identifier first: a symbol definition, a keyword statement or a
        // macro call; anything else is a command.
        bool command = true;
        if (c != '$' && (std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '.')) {
            const char* start = reader.pos;
            char name[64];
            if (!rdident(name, 63)) {
                command = false;
            } else if (const char* after = skipwhite(reader.pos); *after == '=' && after[1] != '=') {
                reader.pos = after + 1;
                int32_t value = evalexpr();
                if (enabled && !abandoned) defsym(name, static_cast<uint32_t>(value));
                command = false;
            } else if (corekeyword(name) || coremacro(name)) {
                if (abandoned) return;
                reader.pos = skipwhite(reader.pos);
                if (*reader.pos == ';' || *reader.pos == '\n') ++reader.pos;
                if (one && depth == 0) return;
                continue;
            } else {
                reader.pos = start;
            }
        }
        if (command && enabled && !statementend(c)) corecommand();
        if (abandoned) return;

        // The rest of the statement, and the one ';' or '}' that ends it.
        reader.pos = skipstatement(reader.pos);
        if (*reader.pos == '}') {
            if (one && depth == 0) return;
            ++reader.pos;
            if (depth > 0) --depth;
        } else if (*reader.pos) {
            ++reader.pos;
        }
        if (one && depth == 0) return;
    }
}

void startrun(int mode, uint32_t count) {
    if (textruns > 0) {
        reader.cont = 1;
        return;
    }
    corerun(mode, count);
}

int interp(const char* text, int execute) {
    bool was = enabled;
    MacroCall* caller = current;
    if (entries++ == 0) abandoned = returning = false;
    enabled = execute != 0;
    std::string line;
    if (text) {
        // A given text stands by itself: it sees no macro around it.
        ++textruns;
        current = nullptr;
        reader.pos = text;
        statements(true);
        --textruns;
    } else {
        StopRequest = false;
        returning = false;
        coreprompt("-> ");
        if (rdline(line)) {
            const char* p = skipwhite(line.c_str());
            if (!*p && core.repeat) line.assign(1, core.repeat);
            reader.pos = line.c_str();
            statements(false);
        }
    }
    current = caller;
    enabled = was;
    if (--entries == 0) {
        abandoned = false;
        returning = false;
        flushactions();
    }
    return 1;
}

// ---------------------------------------------------------------------------
// Banner, start and end

void corebanner() {
    static const char title[] = "VYR 68HC11 COMMAND CORE";
    static const char notice[] = "Single-letter commands, macros and machine breakpoints";
    cmdprintf("          %p\n", title);
    cmdprintf("          %p\n", notice);
    std::string middle = std::string(" ") + msgtext(MSG_BANNER) + " MC68HC11 ";
    if (middle.size() > 38) middle.resize(38);
    std::string rule(38, '-');
    rule.replace((38 - middle.size()) / 2, middle.size(), middle);
    cmdprintf("          %p\n", rule.c_str());
}

void corefree() {
    clrbreaks();
    reindexevents();
    flushactions();
    coremacros.clear();
    coreclosecmd();
    corejournal("");
    coreredirect("");
}

void coreinit() {
    corefree();
    core = CoreSettings{};
    editorinit();
    nesting = 0;
    enabled = true;
    current = nullptr;
    returning = abandoned = false;
    entries = textruns = 0;
}

}  // namespace vy
