// What the target model needs of the command engine, the frame and the
// views, behind one interface. The Windows debugger implements it with its
// windows; ConsoleServices (console_services.h) is the native stand-in.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace vy {

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
    // it has reported; interp runs a
    // command text (and may set reader.cont); hasmacro tells whether a
    // macro of that name is defined; rmbrk removes a memory event.
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
};

// The services in use; set once at start-up (the console stand-in when none).
extern TargetServices* currentservices;
inline TargetServices& services() { return *currentservices; }
void setservices(TargetServices* s);

// Reports the texts joined into one error.
void dberror(std::initializer_list<std::string_view> texts);
// Writes the texts on the current output.
void dbputs(std::initializer_list<std::string_view> texts);
// The text of a message number, or " **** Err " and the number.
const char* msgtext(int id);
// Reports a message through dberror.
void msgout(int id);

// The command reader's helpers: skip blanks and tabs; read an identifier of
// at most limit characters (letters, digits, '_', '.', '$', '~') into name,
// which holds limit + 1 bytes, reporting "name too long" for a longer one.
// Both work on reader.pos.
const char* skipwhite(const char* p);
bool rdident(char* name, int limit);

}  // namespace vy
