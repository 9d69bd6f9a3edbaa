// The simulator's fast path against the decoder's general path: every
// prefix and opcode, then random instructions at random places (page ends
// and the end of memory among them), with memory events, data events and
// alarms around them, executed once through each path from the same state.
// Both must leave the same registers, cycles, memory, event hits and event
// list, and must have made the same event checks, alarm reports and event
// commands in the same order. The commands add and delete events as the
// older command core's do while a check runs.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "debugger/target/decoder.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/semantics.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "debugger/target/watch.h"
#include "target_fixture.h"

namespace vy {
namespace {

struct Rng {
    uint64_t state;
    uint32_t next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    }
    uint32_t below(uint32_t n) { return next() % n; }
};

struct EventSpec {
    uint16_t flags, low, high;
    const char* command;   // null for none
};

// Everything one instruction starts from.
struct Case {
    uint16_t address;
    std::vector<std::pair<uint16_t, uint8_t>> fill;   // memory, in order
    RegImage regs;
    std::vector<EventSpec> events;
    bool dataevent = false;
    EventVar var = {};
    char access = 'A';
    bool alarms = false;
    bool skipone = false;
};

// Services that keep a log of every event command (with the hit symbols it
// sees), every condition and every alarm report, and act on the commands as
// the older core's.
class LoggingServices : public CoreServices {
public:
    void interp(const char* text, int flag) override {
        log << "cmd " << text << " abrk=" << value(".abrk") << " nbrk=" << value(".nbrk")
            << " tbrk=" << value(".tbrk") << "\n";
        CoreServices::interp(text, flag);
    }
    bool evalexpr(uint32_t* value) override {
        log << "cond " << reader.pos << "\n";
        return ConsoleServices::evalexpr(value);
    }
    void memalarm(uint16_t address, int kind) override {
        log << "alarm " << address << " " << kind << "\n";
    }
    static uint32_t value(const char* name) {
        SymRec* s = rensym(name);
        return s ? s->value : 0xDEAD;
    }
    std::ostringstream log;
};

const char* const commands[] = {nullptr, "{go}", "{stop}", "0", "1", "{del}", "{add}", "1 {go}"};

Case makecase(Rng& rng, int enumerated) {
    Case c;
    // Where the instruction stands: anywhere, at a page end, or at the end
    // of memory.
    switch (rng.below(4)) {
    case 0:
    case 1: c.address = static_cast<uint16_t>(rng.next()); break;
    case 2: c.address = static_cast<uint16_t>((rng.below(128) << 9) + 507 + rng.below(5)); break;
    default: c.address = static_cast<uint16_t>(0xFFFB + rng.below(5)); break;
    }
    c.regs = {static_cast<uint8_t>(rng.next()), static_cast<uint8_t>(rng.next()),
              static_cast<uint8_t>(rng.next()), static_cast<uint16_t>(rng.next()),
              static_cast<uint16_t>(rng.next()), static_cast<uint16_t>(rng.next()), c.address};
    auto fillrange = [&](uint32_t from, uint32_t n) {
        for (uint32_t i = 0; i < n; ++i)
            c.fill.push_back({static_cast<uint16_t>(from + i), static_cast<uint8_t>(rng.next())});
    };
    fillrange(0, 258);
    fillrange(c.regs.x, 258);
    fillrange(c.regs.y, 258);
    fillrange(static_cast<uint16_t>(c.regs.sp - 12), 24);
    fillrange(0xFFF0, 16);
    // The instruction: every prefix and opcode once, then random ones.
    uint8_t bytes[5];
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng.next());
    int slot = enumerated >= 0 ? enumerated / 256 : static_cast<int>(rng.below(4));
    uint8_t opcode = static_cast<uint8_t>(enumerated >= 0 ? enumerated % 256 : rng.next());
    static const uint8_t prefixes[4] = {0, 0x18, 0x1A, 0xCD};
    int at = 0;
    if (slot) bytes[at++] = prefixes[slot];
    bytes[at] = opcode;
    for (int i = 0; i < 5; ++i)
        c.fill.push_back({static_cast<uint16_t>(c.address + i), bytes[i]});
    // Extended operands, wherever they start.
    for (int i = 1; i < 4; ++i)
        fillrange(static_cast<uint16_t>(bytes[i] << 8 | bytes[i + 1]), 2);
    // Events near what the instruction may touch.
    std::vector<uint16_t> near = {c.address, static_cast<uint16_t>(c.address + 1),
                                  static_cast<uint16_t>(c.address + 2), static_cast<uint16_t>(c.address + 3),
                                  static_cast<uint16_t>(c.address + 4), bytes[at + 1],
                                  static_cast<uint16_t>(c.regs.x + bytes[at + 1]),
                                  static_cast<uint16_t>(c.regs.y + bytes[at + 1]),
                                  static_cast<uint16_t>(c.regs.sp - 1), c.regs.sp,
                                  static_cast<uint16_t>(c.regs.sp + 1),
                                  static_cast<uint16_t>(bytes[at + 1] << 8 | bytes[at + 2])};
    int nevents = static_cast<int>(rng.below(5));
    for (int i = 0; i < nevents; ++i) {
        static const uint16_t kinds[] = {MEV_READ, MEV_WRITE, MEV_READ | MEV_WRITE,
                                         MEV_READ | MEV_ANY, MEV_WRITE | MEV_ANY};
        uint16_t low = near[rng.below(static_cast<uint32_t>(near.size()))];
        uint16_t high = static_cast<uint16_t>(low + rng.below(3));
        if (high < low) high = low;
        c.events.push_back({kinds[rng.below(5)], low, high, commands[rng.below(8)]});
    }
    if (rng.below(3) == 0) {
        c.dataevent = true;
        c.var = {near[rng.below(static_cast<uint32_t>(near.size()))], 1 + rng.below(4)};
        c.access = "ARW"[rng.below(3)];
    }
    c.alarms = rng.below(4) == 0;
    c.skipone = rng.below(4) != 0;
    return c;
}

// What an instruction leaves behind.
struct Outcome {
    uint16_t length;
    RegImage regs;
    uint32_t cycles, lasthit;
    uint16_t lasthitaddr;
    uint8_t skipone, callmade, bitresult;
    bool datahit;
    std::string memory, events, log;
};

Outcome execute(const Case& c, bool fast, LoggingServices& services) {
    runflags = RunFlags{};
    for (auto [address, value] : c.fill) wrbyte(address, value);
    regs = c.regs;
    *timeptr = 0;
    bitresult = 0;
    for (const char* name : {".abrk", ".nbrk", ".tbrk"}) undefsym(name);
    uint16_t number = 0;
    for (const EventSpec& spec : c.events)
        addmemevent(++number, spec.flags, spec.low, spec.high, spec.command);
    EventVar var = c.var;
    EventRecord data = {nullptr, 'D', c.access, &var};
    eventlist = c.dataevent ? &data : nullptr;
    datahit = nullptr;
    services.alarms = c.alarms;
    services.log.str("");
    reindexevents();

    runflags.armed = 1;
    runflags.skipone = c.skipone;
    std::string text;
    Outcome o;
    o.length = fast ? decinstr(c.address, DEC_EXEC, nullptr)
                    : decinstr(c.address, DEC_TEXT | DEC_EXEC, &text);
    runflags.armed = 0;
    o.regs = regs;
    o.cycles = *timeptr;
    o.lasthit = runflags.lasthit;
    o.lasthitaddr = runflags.lasthitaddr;
    o.skipone = runflags.skipone;
    o.callmade = runflags.callmade;
    o.bitresult = bitresult;
    o.datahit = datahit == &data;
    runflags.skipone = 0;
    for (auto [address, value] : c.fill) o.memory += static_cast<char>(rdbyte(address));
    std::ostringstream events;
    for (MemEvent* e = memevents; e; e = e->next)
        events << e->number << ":" << e->flags << ":" << e->low << "-" << e->high << " ";
    o.events = events.str();
    o.log = services.log.str();
    freememevents();
    eventlist = nullptr;
    datahit = nullptr;
    services.alarms = false;
    return o;
}

using ExecuteTest = TargetTest;

TEST_F(ExecuteTest, FastPathMatchesTheDecoderStepByStep) {
#ifdef _WIN32
    int cases = 1024 + 500;
#else
    int cases = 1024 + 4000;
#endif
    if (const char* n = std::getenv("VY_SIM_CASES")) cases = 1024 + std::atoi(n);
    LoggingServices logging;
    logging.capture = true;
    setservices(&logging);
    Rng rng{20240611};
    int failures = 0;
    for (int i = 0; i < cases && failures < 10; ++i) {
        Case c = makecase(rng, i < 1024 ? i : -1);
        Outcome a = execute(c, true, logging);
        Outcome b = execute(c, false, logging);
        std::string text;
        runflags = RunFlags{};
        decinstr(c.address, DEC_TEXT, &text);
        std::string what = "case " + std::to_string(i) + " at " + std::to_string(c.address) + ": " + text;
        auto same = [&](bool ok, const char* field) {
            if (!ok) {
                ++failures;
                ADD_FAILURE() << what << ": " << field << " differs";
            }
        };
        same(a.length == b.length, "length");
        same(a.regs.a == b.regs.a && a.regs.b == b.regs.b && a.regs.cc == b.regs.cc &&
                 a.regs.x == b.regs.x && a.regs.y == b.regs.y && a.regs.sp == b.regs.sp &&
                 a.regs.pc == b.regs.pc,
             "registers");
        same(a.cycles == b.cycles, "cycles");
        same(a.lasthit == b.lasthit && a.lasthitaddr == b.lasthitaddr, "event hit");
        same(a.skipone == b.skipone && a.callmade == b.callmade, "run flags");
        same(a.bitresult == b.bitresult, "bit result");
        same(a.datahit == b.datahit, "data hit");
        same(a.memory == b.memory, "memory");
        same(a.events == b.events, "event list");
        if (a.log != b.log) {
            ++failures;
            ADD_FAILURE() << what << ": checks differ\nfast:\n" << a.log << "decoder:\n" << b.log;
        }
    }
    setservices(&console);
}

}  // namespace
}  // namespace vy
