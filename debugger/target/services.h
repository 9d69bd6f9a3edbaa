// What the target model needs of the command engine, the frame and the
// views, in one interface: the functions of TargetServices, which the Windows
// debugger implements with its windows (ConsoleServices in
// console_services.h is the native stand-in), and the state that the target
// model and the engine share: the run-control flags, the older core's command
// reader and memory events, the event list and the load flags. The engine
// owns the meaning of most of that state; it lives here so that the target
// model and the engine can be linked either way round, and so that the
// simulator reads the flags it tests on every access without a call.
#pragma once
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>

namespace vy {

struct DebugEntry;

// The run-control flags and counters that the target model reads or sets.
struct RunFlags {
    uint8_t armed;           // memory events are checked while set
    uint8_t skipone;         // the next rdbyte goes unchecked (then cleared)
    uint32_t lasthit;        // number of the memory event that fired last
    uint16_t lasthitaddr;    // address at which it fired
    uint8_t callmade;        // set by jsr and bsr
    uint8_t stepover;        // step-over mode
    int32_t nesting;         // step-over call depth
    uint8_t reshow;          // forces the current line to be shown again
    uint8_t listing;         // a listing command is running
    uint8_t srctrace;        // source trace on
    uint32_t stepcount;      // remaining steps of a run
    uint32_t runnesting;     // run nesting
    uint8_t stepping;        // stepping mode
    uint8_t runrequest[2];   // the two run requests a load clears
    uint32_t tracecount;     // source-trace count
};
extern RunFlags runflags;

// One memory event of the older command core, kept in number order.
struct MemEvent {
    MemEvent* next;
    uint16_t flags;       // MEV_READ, MEV_WRITE, MEV_ANY, MEV_DELETED
    uint16_t number;
    uint16_t low, high;   // inclusive address range
    char* block;          // command block; its text starts 4 bytes in
};
enum : uint16_t { MEV_READ = 1, MEV_WRITE = 2, MEV_ANY = 4, MEV_DELETED = 8 };
// After any change to this list or to the events in it, and to `eventlist`,
// call reindexevents() (watch.h): the accessors look only where it says.
extern MemEvent* memevents;

// The older core's command reader: the text position, the event whose
// command runs, and the continue flag that such a command sets.
struct CommandReader {
    const char* pos;
    MemEvent* event;
    uint8_t cont;
};
extern CommandReader reader;

// A variable as an event of the event list sees it.
struct EventVar {
    uint16_t address;
    uint32_t size;
};

// One event of the debugger's event list; the recorder looks at data events.
struct EventRecord {
    EventRecord* next;
    char cls;          // 'D' for a data event
    char access;       // 'A' any, 'R' read, 'W' write
    EventVar* var;
};
extern EventRecord* eventlist;
extern EventRecord* datahit;   // data event matched by the last recorded access

// The name the program was started under: the part of argv[0] after the
// last '/' or '\', up to the first '.'. Started as "kvol", the debugger
// switches the older command core's mode on at start-up (kvolmode).
extern std::string startname;
void setstartname(const char* argv0);
// Whether the start name is the name given, in any case.
bool startedas(const char* name);
extern uint8_t kvolmode;

// Set by the progress dialog's cancel button; loaders stop between records.
extern uint8_t LoadAbortFlag;
// Set when a load failed so that the program cannot be used; the load
// command tests it.
extern uint8_t LoadFailed;

class TargetServices {
public:
    virtual ~TargetServices() = default;

    // Output channels: an error report (message box or "#error: " line),
    // the current output, and the command window.
    virtual void error(std::string_view text) = 0;
    virtual void output(std::string_view text) = 0;
    virtual void cmdoutput(std::string_view text) { output(text); }

    // Message text of a number; the default reads the built-in list.
    virtual const char* msgtext(int id);

    // The older command core, used by memory events and the line assembler.
    // evalexpr evaluates at reader.pos and advances it, false after an error
    // it has reported; interp runs a command text (and may set reader.cont);
    // hasmacro tells whether a macro of that name is defined; rmbrk removes
    // a memory event.
    virtual bool evalexpr(uint32_t* value) = 0;
    virtual void interp(const char* text, int flag) {}
    virtual bool hasmacro(const char* name) { return false; }
    virtual void rmbrk(uint16_t number);
    // Memory alarms look at every recorded access while alarms is set (the
    // engine sets it while it has alarm ranges).
    virtual void memalarm(uint16_t address, int kind) {}
    bool alarms = false;

    // Load progress: the progress dialog with its gauge, the file-load
    // dialog, and the status bar's first and third panes. gaugestep lets
    // pending window messages run first, so that a cancel can set
    // LoadAbortFlag.
    virtual void loadprogress(int open, uint32_t total) {}
    virtual void fileloadbox(int open, const char* name) {}
    virtual void resetloadprogress() {}
    virtual void showloadfile(const char* name) {}
    virtual void showloadfunction(const char* name) {}
    virtual void gaugestart(const char* title, uint32_t start, uint32_t total) {}
    virtual void gaugestep(uint32_t n) {}
    virtual void gaugeend() {}
    virtual void leftstatus(const char* text) {}
    virtual void rightstatus(const char* text) {}

    // Register window refresh after a traced instruction or a run.
    virtual void regwinrefresh(int code) {}

    // Around and after a program load: the wait cursor, the menus that need
    // a program, the disassembly window, the current-line marker, message
    // boxes titled "Address of" (information) and "Warning", and the source
    // trace that the debug tables free with themselves.
    virtual void beginwait() {}
    virtual void endwait() {}
    virtual void enableprogrammenus(int loaded) {}
    virtual void repaintasmwindow() {}
    virtual void clearlinemarker() {}
    virtual void infobox(const char* title, std::string_view text) { output(text), output("\n"); }
    virtual void warningbox(std::string_view text) { error(text); }
    virtual void trcfree() {}

    // While the program runs: the source trace (kind 1 a line, 0 a function
    // exit), the stack window's top line as frames come and go, the switch
    // of the views to instruction level, and the variables browser of the
    // current function (kind, pointer and address columns).
    virtual void trcrecord(int kind, DebugEntry* entry) {}
    virtual void stackwinpush() {}
    virtual void stackwinpop() {}
    virtual void enterasmmode() {}
    virtual void browsevariables(int kind, int pointers, int addresses) {}

    // A floating value as the debugger prints it; the default is the short
    // form of output.h.
    virtual std::string floattext(double value);
    // Source files: a file opened for reading along the source path (null
    // when there is none; the caller closes it), and one line of a file
    // (null when there is none).
    virtual std::FILE* srcopen(const char* name);
    virtual const char* readsrcline(const char* file, uint32_t line) { return nullptr; }

    // The settings file: the text of a key (empty when missing). The
    // default reads the file from the current directory.
    virtual std::string profilestring(const char* section, const char* key, const char* file);
    // The interrupt dialogs (timed 221, location 222, vectors 224) and the
    // save-file dialog: the chosen path, empty when cancelled (the default
    // takes the default name).
    virtual void interruptdialog(int id) {}
    virtual std::string savefilename(const char* title, const char* filter, const char* name) { return name; }
};

// The services in use; set once at start-up (the console stand-in when none).
extern TargetServices* currentservices;
inline TargetServices& services() { return *currentservices; }
void setservices(TargetServices* s);

// Reports the texts joined into one error.
void dberror(std::initializer_list<std::string_view> texts);
// Writes the texts on the current output.
void dbputs(std::initializer_list<std::string_view> texts);
// The text of a message number, or " **** Err ", the number and " ****".
const char* msgtext(int id);
// Reports a message through dberror.
void msgout(int id);

// Reads one line of a text file without its line end (CR LF or LF); a last
// line without one is a whole line. False at the end of the file.
bool readtextline(std::FILE* f, std::string& line);

// The command reader's helpers: skip blanks and tabs; read an identifier of
// at most limit characters (letters, digits, '_', '.', '$', '~') into name,
// which holds limit + 1 bytes, reporting "name too long" for a longer one.
// Both work on reader.pos.
const char* skipwhite(const char* p);
bool rdident(char* name, int limit);

}  // namespace vy
