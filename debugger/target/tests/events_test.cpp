// Memory events and data events during a run, case by case: each kind of
// event, ranges at a page end and at the ends of memory, conditions and
// commands, events that commands add and delete while the run goes on, and
// the time break. The run control is the debugger's: the execution check at
// the PC before every instruction but the first, then the instruction with
// its accesses checked, and a stop when an event fired.
//
// The program loops over six instructions whose accesses the events meet,
// with one instruction across the page end at 0x0200:
//
//   01FB  BB 01 FF   adda 0x01ff    reads 0x01FC, 0x01FD, then 0x01FF
//   01FE  FD FF FF   std  0xffff    reads 0x01FF, 0x0200; writes 0xFFFF, 0x0000
//   0201  FC 01 FF   ldd  0x01ff    reads 0x0202, 0x0203, then 0x01FF, 0x0200
//   0204  36         psha           writes 0x0100
//   0205  32         pula           reads 0x0100
//   0206  20 F3      bra  0x01fb    reads 0x0207
#include <cstdint>
#include <string>
#include <vector>

#include "debugger/target/decoder.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "debugger/target/watch.h"
#include "target_fixture.h"

namespace vy {
namespace {

struct Event {
    uint16_t flags, low, high;
    const char* command = nullptr;
};

struct DataEvent {
    char access;
    uint16_t address;
    uint32_t size;
};

// Where a run stopped: the event's number, the address of the access and
// its kind (the symbols .nbrk, .abrk, .tbrk), the PC, the instructions
// executed, the event commands run, and the first instruction after which
// a data event was pending (0 for none). A run without a stop has number 0.
struct Stop {
    uint32_t number;
    uint32_t address, kind;
    uint16_t pc;
    int executed;
    int commands = 0;
    int datastep = 0;
    std::string events = "";   // numbers of the events left, when checked
};

struct Case {
    const char* name;
    std::vector<Event> events;
    Stop expected;
    std::vector<DataEvent> data = {};
    uint32_t btime = 0;   // a time break when nonzero
};

constexpr uint16_t R = MEV_READ, W = MEV_WRITE, ANY = MEV_ANY;

// 13 instructions: two rounds of the loop and one more.
const Case cases[] = {
    {"read_of_a_data_byte_at_a_page_end", {{R, 0x01FF, 0x01FF}}, {1, 0x01FF, 1, 0x01FE, 1}},
    {"read_of_an_instruction_byte_across_the_page_end", {{R, 0x0200, 0x0200}}, {1, 0x0200, 1, 0x0201, 2}},
    {"write_at_the_last_byte", {{W, 0xFFFF, 0xFFFF}}, {1, 0xFFFF, 2, 0x0201, 2}},
    {"write_that_wraps_to_the_first_byte", {{W, 0x0000, 0x0000}}, {1, 0x0000, 2, 0x0201, 2}},
    {"read_and_write_range_across_the_page_end", {{R | W, 0x01FF, 0x0200}}, {1, 0x01FF, 1, 0x01FE, 1}},
    {"write_range_across_the_page_end_meets_no_write", {{W, 0x01FF, 0x0200}}, {0, 0, 0, 0x01FE, 13}},
    {"execution_check_at_a_page_start", {{R, 0x0201, 0x0201}}, {1, 0x0201, 1, 0x0201, 2}},
    {"first_instruction_goes_unchecked", {{R, 0x01FB, 0x01FB}}, {1, 0x01FB, 1, 0x01FB, 6}},
    {"stack_write", {{W, 0x0100, 0x0100}}, {1, 0x0100, 2, 0x0205, 4}},
    {"stack_read", {{R, 0x0100, 0x0100}}, {1, 0x0100, 1, 0x0206, 5}},
    {"any_address_write_meets_the_execution_check", {{W | ANY, 0xFFFF, 0}}, {1, 0x01FE, 1, 0x01FE, 1}},
    {"any_address_read_meets_the_first_operand_byte", {{R | ANY, 0xFFFF, 0}}, {1, 0x01FC, 1, 0x01FE, 1}},
    {"any_address_alone_meets_only_the_execution_check", {{ANY, 0xFFFF, 0}}, {1, 0x01FE, 1, 0x01FE, 1}},
    {"condition_that_is_false_never_fires", {{R, 0x01FF, 0x01FF, "0"}}, {0, 0x01FF, 1, 0x01FE, 13}},
    {"command_that_goes_on_runs_at_every_read", {{R, 0x01FF, 0x01FF, "{go}"}}, {0, 0x01FF, 1, 0x01FE, 13, 7}},
    {"command_that_stops", {{R, 0x0200, 0x0200, "{stop}"}}, {1, 0x0200, 1, 0x0201, 2, 1}},
    {"condition_that_holds_then_a_command", {{W, 0x0100, 0x0100, "1 {go}"}}, {0, 0x0100, 2, 0x01FE, 13, 2}},
    {"first_matching_event_in_number_order_fires",
     {{R, 0x01FC, 0x01FF, "{go}"}, {R, 0x01FF, 0x01FF}}, {2, 0x01FF, 1, 0x01FE, 1, 3}},
    {"event_added_by_a_command_meets_the_next_read",
     {{R, 0x01FC, 0x01FC, "{add}"}}, {2, 0x01FD, 1, 0x01FE, 1, 1, 0, "1 2"}},
    {"event_deleted_by_its_command_is_purged",
     {{R, 0x01FC, 0x0200, "{del}"}, {R, 0x0200, 0x0200}}, {2, 0x0200, 1, 0x0201, 2, 1, 0, "2"}},
    {"time_break_on_the_execution_check", {}, {65535, 0x0204, 1, 0x0204, 3}, {}, 10},
    {"data_event_on_a_word_written_across_the_end",
     {}, {0, 0, 0, 0x01FE, 13, 0, 2}, {{'W', 0xFFFF, 1}}},
    {"data_event_matches_a_word_by_its_first_byte",
     {}, {0, 0, 0, 0x01FE, 13, 0, 0}, {{'A', 0x0000, 1}}},
    {"data_read_event_meets_the_recorded_read_only",
     {}, {0, 0, 0, 0x01FE, 13, 0, 3}, {{'R', 0x01FF, 2}}},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class EventsTest : public TargetTest, public ::testing::WithParamInterface<Case> {};

TEST_P(EventsTest, RunStopsWhereTheEventsSay) {
    const Case& c = GetParam();
    CoreServices core;
    core.capture = true;
    setservices(&core);
    poke(0x01FB, {0xBB, 0x01, 0xFF, 0xFD, 0xFF, 0xFF, 0xFC, 0x01, 0xFF, 0x36, 0x32, 0x20, 0xF3});
    regs.sp = 0x0100;
    regs.pc = 0x01FB;
    uint16_t number = 0;
    for (const Event& spec : c.events) addmemevent(++number, spec.flags, spec.low, spec.high, spec.command);
    std::vector<EventVar> vars;
    std::vector<EventRecord> records;
    vars.reserve(c.data.size());
    records.reserve(c.data.size());
    for (const DataEvent& d : c.data) {
        vars.push_back({d.address, d.size});
        records.push_back({nullptr, 'D', d.access, &vars.back()});
    }
    for (std::size_t i = 0; i + 1 < records.size(); ++i) records[i].next = &records[i + 1];
    eventlist = records.empty() ? nullptr : &records[0];
    if (c.btime) defsym(".btime", c.btime);
    reindexevents();

    Stop got = {0, 0, 0, 0, 0};
    for (int n = 0; n < 13; ++n) {
        runflags.lasthit = 0;
        if (n > 0 && chkmemevt(regs.pc, 5)) break;
        runflags.skipone = 1;
        runflags.armed = 1;
        ASSERT_NE(decinstr(regs.pc, DEC_EXEC, nullptr), NOINSTR);
        runflags.armed = 0;
        ++got.executed;
        if (datahit && !got.datastep) got.datastep = got.executed;
        if (runflags.lasthit) break;
    }
    got.number = runflags.lasthit;
    if (SymRec* s = rensym(".abrk")) got.address = s->value;
    if (SymRec* s = rensym(".tbrk")) got.kind = s->value;
    if (got.number) {
        EXPECT_EQ(runflags.lasthitaddr, got.address);
    }
    got.pc = regs.pc;
    got.commands = core.commandsrun;
    for (MemEvent* e = memevents; e; e = e->next) {
        if (!got.events.empty()) got.events += ' ';
        got.events += std::to_string(e->number);
    }
    const Stop& want = c.expected;
    EXPECT_EQ(got.number, want.number);
    EXPECT_EQ(got.address, want.address);
    EXPECT_EQ(got.kind, want.kind);
    EXPECT_EQ(got.pc, want.pc);
    EXPECT_EQ(got.executed, want.executed);
    EXPECT_EQ(got.commands, want.commands);
    EXPECT_EQ(got.datastep, want.datastep);
    if (!want.events.empty()) {
        EXPECT_EQ(got.events, want.events);
    }
    EXPECT_EQ(core.errors, "");

    freememevents();
    eventlist = nullptr;
    datahit = nullptr;
    setservices(&console);
}

INSTANTIATE_TEST_SUITE_P(Cases, EventsTest, ::testing::ValuesIn(cases),
                         [](const auto& info) { return std::string(info.param.name); });

// Events deleted and added between runs, through rmbrk and the index.
TEST_F(TargetTest, EventsAddedAndDeletedBetweenInstructions) {
    poke(0x8000, {0x96, 0x40, 0x97, 0x41, 0x20, 0xFA});   // ldaa <0x40, staa <0x41, bra
    auto step = [](uint16_t pc) {
        runflags.lasthit = 0;
        runflags.skipone = 1;
        runflags.armed = 1;
        decinstr(pc, DEC_EXEC, nullptr);
        runflags.armed = 0;
        return runflags.lasthit;
    };
    // ldaa reads its operand byte 0x8001 through rdbyte; a read event there
    // fires, and once deleted, no longer does.
    addmemevent(1, MEV_READ, 0x8001, 0x8001);
    EXPECT_EQ(step(0x8000), 1u);
    services().rmbrk(1);
    EXPECT_EQ(step(0x8000), 0u);
    // Added again under another number, it fires again; a second event on
    // the same byte with a lower number fires first.
    addmemevent(5, MEV_READ, 0x8001, 0x8001);
    EXPECT_EQ(step(0x8000), 5u);
    addmemevent(2, MEV_READ | MEV_WRITE, 0x8001, 0x8001);
    EXPECT_EQ(step(0x8000), 2u);
    services().rmbrk(2);
    services().rmbrk(5);
    EXPECT_EQ(step(0x8000), 0u);
    EXPECT_EQ(memevents, nullptr);
}

}  // namespace
}  // namespace vy
