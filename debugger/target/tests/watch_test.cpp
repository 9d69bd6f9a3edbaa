// The index of watched addresses against the event lists it stands for: at
// every address and for every access kind, the index must say "can match"
// exactly where the walk of the list could find an event, so that the
// accessors skip the walk only where it would have found nothing.
#include <cstdint>
#include <string>
#include <vector>

#include "debugger/target/memory.h"
#include "debugger/target/services.h"
#include "debugger/target/watch.h"
#include "target_fixture.h"

namespace vy {
namespace {

// The walk of chkmemevt's step 4 (and of the purge that a deleted event
// waits for): whether the list holds an event that the access can meet.
bool listmatches(const std::vector<MemEvent>& events, uint16_t address, int kind) {
    for (const MemEvent& e : events) {
        if (e.flags & MEV_DELETED) return true;   // the check must run to purge it
        if (!(e.flags & kind)) continue;
        if ((e.flags & MEV_ANY) || (address >= e.low && address <= e.high)) return true;
    }
    return false;
}

// The recorder's walk for a data event.
bool datamatches(const std::vector<EventRecord>& events, uint16_t address, int kind) {
    for (const EventRecord& e : events) {
        if (e.cls != 'D' || !e.var) continue;
        uint32_t low = e.var->address;
        if (address < low || address >= low + e.var->size) continue;
        if (e.access == 'A' || (e.access == 'R' && kind == 1) || (e.access == 'W' && kind == 2))
            return true;
    }
    return false;
}

// Links the events into the lists, indexes them and compares at every
// address; returns the first difference, or "".
std::string compare(std::vector<MemEvent>& events, std::vector<EventRecord>& data) {
    memevents = nullptr;
    for (std::size_t i = events.size(); i-- > 0;) {
        events[i].next = memevents;
        memevents = &events[i];
    }
    eventlist = nullptr;
    for (std::size_t i = data.size(); i-- > 0;) {
        data[i].next = eventlist;
        eventlist = &data[i];
    }
    reindexevents();
    std::string difference;
    for (uint32_t a = 0; a < 0x10000 && difference.empty(); ++a) {
        uint16_t address = static_cast<uint16_t>(a);
        for (int kind : {1, 2, 5}) {
            if (memevtpossible(address, kind) != listmatches(events, address, kind))
                difference = "memory event, kind " + std::to_string(kind) + " at " + std::to_string(a);
        }
        if (watched(watch.dataread, address) != datamatches(data, address, 1) ||
            watched(watch.datawrite, address) != datamatches(data, address, 2))
            difference = "data event at " + std::to_string(a);
    }
    memevents = nullptr;
    eventlist = nullptr;
    reindexevents();
    return difference;
}

using WatchTest = TargetTest;

TEST_F(WatchTest, IndexMatchesTheListsAtEveryAddress) {
    const struct {
        const char* name;
        std::vector<MemEvent> events;
    } cases[] = {
        {"none", {}},
        {"read_one_byte", {{nullptr, MEV_READ, 1, 0x1000, 0x1000, nullptr}}},
        {"write_across_a_page_end", {{nullptr, MEV_WRITE, 2, 0x01FE, 0x0201, nullptr}}},
        {"both_across_a_word_of_the_index", {{nullptr, MEV_READ | MEV_WRITE, 3, 0x003E, 0x0041, nullptr}}},
        {"index_word_less_its_last_byte", {{nullptr, MEV_READ, 3, 0x0040, 0x007E, nullptr}}},
        {"index_word_less_its_first_byte", {{nullptr, MEV_WRITE, 3, 0x0081, 0x00BF, nullptr}}},
        {"whole_index_words", {{nullptr, MEV_READ, 3, 0x0100, 0x017F, nullptr}}},
        {"last_byte_of_memory", {{nullptr, MEV_READ, 4, 0xFFFF, 0xFFFF, nullptr}}},
        {"first_byte_of_memory", {{nullptr, MEV_WRITE, 5, 0x0000, 0x0000, nullptr}}},
        {"all_of_memory", {{nullptr, MEV_READ, 6, 0x0000, 0xFFFF, nullptr}}},
        {"empty_range_low_above_high", {{nullptr, MEV_READ | MEV_WRITE, 7, 0x2001, 0x2000, nullptr}}},
        {"any_address_read", {{nullptr, MEV_READ | MEV_ANY, 8, 0xFFFF, 0, nullptr}}},
        {"any_address_write_meets_the_execution_check", {{nullptr, MEV_WRITE | MEV_ANY, 9, 0xFFFF, 0, nullptr}}},
        {"any_address_alone", {{nullptr, MEV_ANY, 10, 0xFFFF, 0, nullptr}}},
        {"deleted_event_waits_for_its_purge", {{nullptr, MEV_READ | MEV_DELETED, 11, 0x10, 0x10, nullptr}}},
        {"no_kind", {{nullptr, 0, 12, 0x10, 0x20, nullptr}}},
        {"several_overlapping",
         {{nullptr, MEV_READ, 1, 0x100, 0x1FF, nullptr},
          {nullptr, MEV_WRITE, 2, 0x180, 0x27F, nullptr},
          {nullptr, MEV_READ | MEV_WRITE, 3, 0x7FF8, 0x8007, nullptr},
          {nullptr, MEV_READ, 4, 0xFFF0, 0xFFFF, nullptr}}},
    };
    for (const auto& c : cases) {
        std::vector<MemEvent> events = c.events;
        std::vector<EventRecord> data;
        EXPECT_EQ(compare(events, data), "") << c.name;
    }
}

TEST_F(WatchTest, DataEventIndexMatchesTheEventListAtEveryAddress) {
    EventVar vars[] = {{0x1000, 1}, {0x01FF, 2}, {0xFFFE, 4}, {0x0040, 0}, {0x3000, 0xFFFFFFFFu}, {0x8000, 0x100}};
    std::vector<MemEvent> none;
    std::vector<EventRecord> data = {
        {nullptr, 'D', 'R', &vars[0]}, {nullptr, 'D', 'W', &vars[1]}, {nullptr, 'D', 'A', &vars[2]},
        {nullptr, 'D', 'A', &vars[3]}, {nullptr, 'D', 'W', &vars[4]}, {nullptr, 'C', 'A', &vars[5]},
        {nullptr, 'D', 'A', nullptr},
    };
    EXPECT_EQ(compare(none, data), "");
}

TEST_F(WatchTest, RandomListsMatchAtEveryAddress) {
    uint64_t state = 77;
    auto next = [&state]() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    };
    int lists = 12;
    for (int n = 0; n < lists; ++n) {
        std::vector<MemEvent> events;
        int count = 1 + static_cast<int>(next() % 16);
        for (int i = 0; i < count; ++i) {
            uint16_t flags = static_cast<uint16_t>(next() % 8);
            if (next() % 10 == 0) flags |= MEV_DELETED;
            uint16_t low = static_cast<uint16_t>(next());
            uint16_t high = static_cast<uint16_t>(next() % 3 ? low + next() % 600 : next());
            events.push_back({nullptr, flags, static_cast<uint16_t>(i + 1), low, high, nullptr});
        }
        std::vector<EventVar> vars(4);
        std::vector<EventRecord> data;
        for (EventVar& v : vars) {
            v = {static_cast<uint16_t>(next()), next() % 300};
            data.push_back({nullptr, 'D', "ARW"[next() % 3], &v});
        }
        EXPECT_EQ(compare(events, data), "") << "list " << n;
    }
}

}  // namespace
}  // namespace vy
