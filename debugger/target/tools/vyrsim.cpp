// vyrsim: headless test driver of the target model. Loads a program file
// (S-records, Intel hex, or a raw image) and runs the commands given after
// it, in order:
//
//   pc=ADDR          set the PC
//   reg=NAME:VALUE   set a register (a b cc d x y s pc)
//   irq=MASK         set the pending-interrupt mask .irq
//   reset            reset the CPU (PC from the word at 0xFFFE)
//   asm=ADDR:TEXT    assemble one instruction at ADDR
//   dis=FROM[,TO]    disassemble from FROM up to TO (default 8 instructions)
//   step=N           execute N instructions
//   until=ADDR       execute until the PC reaches ADDR (at most 100 million)
//   regs             print the registers and the cycle count
//   cycles           print the cycle count .time
//   mem=FROM[,N]     dump N bytes of memory (default 16)
//
// Options before the file: -raw BASE loads the file as a raw image at BASE.
// A file name of "-" loads nothing. Numbers take 0x for hexadecimal.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "debugger/target/decoder.h"
#include "debugger/target/line_asm.h"
#include "debugger/target/loader.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/semantics.h"
#include "debugger/target/symbols.h"
#include "support/one_line.h"

using namespace vy;

static uint32_t number(const char* text) { return static_cast<uint32_t>(std::strtoul(text, nullptr, 0)); }

static void usage() {
    std::fprintf(stderr,
                 "usage: vyrsim [-raw BASE] FILE|- [pc=ADDR] [reg=NAME:VALUE] [irq=MASK] [reset]\n"
                 "              [asm=ADDR:TEXT] [dis=FROM[,TO]] [step=N] [until=ADDR] [regs]\n"
                 "              [cycles] [mem=FROM[,N]]\n");
}

static uint32_t cycles() { return timeptr ? *timeptr : 0; }

// One simulated step: an interrupt when one is taken, else one instruction.
// False when the PC holds no instruction.
static bool step() {
    if (irqptr && *irqptr && takeint(irqptr)) return true;
    uint16_t pc = getpc();
    if (decinstr(pc, DEC_EXEC, nullptr) == NOINSTR) {
        std::printf("no instruction at 0x%04X\n", pc);
        return false;
    }
    return true;
}

static void disassemble(uint16_t from, uint16_t to, bool bycount) {
    std::string text;
    uint16_t a = from;
    for (int n = 0; bycount ? n < 8 : a < to; ++n) {
        uint16_t len = decinstr(a, DEC_TEXT, &text);
        if (len == NOINSTR) len = 1;
        std::printf("%04X  ", a);
        for (int i = 0; i < 5; ++i) {
            if (i < len) std::printf("%02X ", rdbyte(static_cast<uint16_t>(a + i)));
            else std::printf("   ");
        }
        std::printf(" %s\n", text.c_str());
        if (static_cast<uint32_t>(a) + len > 0xFFFF) break;
        a = static_cast<uint16_t>(a + len);
    }
}

static bool command(const char* arg) {
    const char* eq = std::strchr(arg, '=');
    std::string key = eq ? std::string(arg, eq) : std::string(arg);
    const char* value = eq ? eq + 1 : "";
    if (key == "pc") {
        setpc(number(value));
    } else if (key == "reg") {
        const char* colon = std::strchr(value, ':');
        uint16_t code = colon ? regcode(std::string(value, colon).c_str()) : 0;
        if (!code) return false;
        setreg(code, number(colon + 1));
    } else if (key == "irq") {
        defsym(".irq", number(value));
    } else if (key == "reset") {
        cpureset();
    } else if (key == "asm") {
        const char* colon = std::strchr(value, ':');
        if (!colon) return false;
        reader.pos = colon + 1;
        uint16_t n = asmline(static_cast<uint16_t>(number(value)));
        std::printf("%u bytes\n", n);
    } else if (key == "dis") {
        const char* comma = std::strchr(value, ',');
        disassemble(static_cast<uint16_t>(number(value)),
                    static_cast<uint16_t>(comma ? number(comma + 1) : 0), !comma);
    } else if (key == "step") {
        for (uint32_t n = number(value); n > 0; --n)
            if (!step()) break;
    } else if (key == "until") {
        uint16_t stop = static_cast<uint16_t>(number(value));
        for (uint32_t n = 0; n < 100000000 && getpc() != stop; ++n)
            if (!step()) break;
    } else if (key == "regs") {
        char line[512];
        regline(line);
        std::printf("%s cycles:%lu\n", line, static_cast<unsigned long>(cycles()));
    } else if (key == "cycles") {
        std::printf("%lu\n", static_cast<unsigned long>(cycles()));
    } else if (key == "mem") {
        const char* comma = std::strchr(value, ',');
        uint16_t from = static_cast<uint16_t>(number(value));
        uint32_t count = comma ? number(comma + 1) : 16;
        for (uint32_t i = 0; i < count; ++i) {
            if (i % 16 == 0) std::printf("%s%04X ", i ? "\n" : "", (from + i) & 0xFFFF);
            std::printf(" %02X", rdbyte(static_cast<uint16_t>(from + i)));
        }
        std::printf("\n");
    } else {
        return false;
    }
    return true;
}

int main(int argc, char** argv) {
    int i = 1;
    bool raw = false;
    uint32_t base = 0;
    if (i + 1 < argc && std::strcmp(argv[i], "-raw") == 0) {
        raw = true;
        base = number(argv[i + 1]);
        i += 2;
    }
    if (i >= argc) {
        usage();
        return 2;
    }
    meminit();
    const char* file = argv[i++];
    int status = 0;
    if (std::strcmp(file, "-") != 0) {
        ldprog(file, raw, 0, base, 0);
        if (LoadFailed) status = 1;
    }
    for (; i < argc && status == 0; ++i) {
        if (!command(argv[i])) {
            std::fprintf(stderr, "vyrsim: bad command: %s\n", one_line(argv[i]).c_str());
            usage();
            status = 2;
        }
    }
    std::fflush(stdout);
    memclose();
    return status;
}
