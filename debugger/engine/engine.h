// Start-up and shut-down of the command engine, and the services it gives
// the target model.
#pragma once
#include <string_view>

#include "debugger/target/services.h"

namespace vy {

// The target model's channels run into the engine's: errors through the
// error channel, output through the sink, status and progress through the
// hooks; memory events and the line assembler use the older command core.
class EngineServices : public TargetServices {
public:
    void error(std::string_view text) override;
    void output(std::string_view text) override;
    void cmdoutput(std::string_view text) override;
    bool evalexpr(uint32_t* value) override;
    void interp(const char* text, int flag) override;
    bool hasmacro(const char* name) override;
    void rmbrk(uint16_t number) override;
    void loadprogress(int open, uint32_t total) override;
    void fileloadbox(int open, const char* name) override;
    void resetloadprogress() override;
    void showloadfile(const char* name) override;
    void showloadfunction(const char* name) override;
    void gaugestart(const char* title, uint32_t start, uint32_t total) override;
    void gaugestep(uint32_t n) override;
    void gaugeend() override;
    void leftstatus(const char* text) override;
    void rightstatus(const char* text) override;
    void regwinrefresh(int code) override;
    void memalarm(uint16_t address, int kind) override;
    void trcfree() override;
    // The source trace, the search path and the source-line reader are the
    // engine's: the target model's line steps record into the trace, and
    // its listings read source lines through the engine's reader.
    void trcrecord(int kind, DebugEntry* entry) override;
    std::FILE* srcopen(const char* name) override;
    const char* readsrcline(const char* file, uint32_t line) override;
    void browsevariables(int kind, int pointers, int addresses) override;
};

// Installs the engine's services and brings the engine's state to that of
// a fresh start: no event, alarm, monitor or assertion (the target model is
// started separately, with meminit).
void engineinit();
// Closes the redirection file, the command log and the source-line reader,
// the older core's breakpoints and macros, and deletes the events, alarms,
// monitors and assertions.
void engineclose();

}  // namespace vy
