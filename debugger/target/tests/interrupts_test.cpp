// Interrupt simulation: the table from description files or built in, the
// settings key that names the file, saving the table, and the timed and
// location triggers firing at the cycles and places they are set for, with
// the handler run by the simulated program.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/interrupts.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/symbols.h"
#include "debugger/target/tools/sim_run.h"
#include "program_fixture.h"

namespace vy {
namespace {

class InterruptsTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        LoadInterruptTable(1);  // console services: no settings file, the built-in table
    }
    void TearDown() override {
        inttable = builtininttable();
        resettriggers();
        ProgramTest::TearDown();
    }
    static int indexof(const char* name) {
        for (int i = 0; inttable[i].name; ++i)
            if (std::string(inttable[i].name) == name) return i;
        return -1;
    }
};

TEST_F(InterruptsTest, TheBuiltInTableHasThe68hc11Vectors) {
    ASSERT_EQ(intcount(), 18);
    struct Case {
        const char* name;
        uint32_t vector, mask;
    };
    for (Case c : {Case{"COP clock fail", 0xFFFC, 1}, Case{"XIRQ", 0xFFF4, 4}, Case{"IRQ", 0xFFF2, 8},
                   Case{"Real Time Interrupt", 0xFFF0, 16}, Case{"SCI", 0xFFD6, 1u << 17}}) {
        int i = indexof(c.name);
        ASSERT_GE(i, 0) << c.name;
        EXPECT_EQ(inttable[i].vector, c.vector) << c.name;
        EXPECT_EQ(inttable[i].mask, c.mask) << c.name;
        EXPECT_EQ(intvector(c.mask), c.vector) << c.name;
    }
    *irqptr = 0;
    EXPECT_EQ(raiseint(0, "SPI", 1), 1);
    EXPECT_EQ(raiseint(0xFFF2, nullptr, 0), 1);
    EXPECT_EQ(raiseint(0, "spi", 1), 0);  // names are exact
    EXPECT_EQ(*irqptr, (1u << 16) | 8u);
}

TEST_F(InterruptsTest, DescriptionFiles) {
    std::string good = tempfile("three.int", "; the board's sources\r\n0xFFF2 Door\r\n\r\n0177760 Timer  A\n65494 Last\n");
    ASSERT_TRUE(readinttable(good));
    EXPECT_EQ(console.errors, "");
    ASSERT_EQ(intcount(), 3);
    // The first source gets the highest bit, the last one bit 0 and with it
    // the highest priority.
    EXPECT_STREQ(inttable[0].name, "Door");
    EXPECT_EQ(inttable[0].vector, 0xFFF2u);
    EXPECT_EQ(inttable[0].mask, 4u);
    EXPECT_STREQ(inttable[1].name, "Timer  A");
    EXPECT_EQ(inttable[1].vector, 0177760u);
    EXPECT_EQ(inttable[1].mask, 2u);
    EXPECT_EQ(inttable[2].vector, 65494u);
    EXPECT_EQ(inttable[2].mask, 1u);

    std::string many;
    for (int i = 0; i < 33; ++i) many += "0x" + std::to_string(8000 + i) + " source " + std::to_string(i) + "\n";
    struct Case {
        const char* meaning;
        std::string contents;
        std::string message;
    };
    const Case cases[] = {
        {"more than 32 sources", many, "Too Many Interrupts (Max 32)"},
        {"a line without a name", "0xFFF2 IRQ\n0xFFF0\n", "Bad line 2 in INTERRUPT file NAME\nWill use default description"},
        {"a vector that is no number", "zz IRQ\n", "Bad line 1 in INTERRUPT file NAME\nWill use default description"},
        {"a vector beyond 16 bits", "0x10000 IRQ\n", "Bad line 1 in INTERRUPT file NAME\nWill use default description"},
        {"a number of more than 20 characters", "0x000000000000000000FFF2 IRQ\n",
         "Bad line 1 in INTERRUPT file NAME\nWill use default description"},
        {"a signed vector", "-12 IRQ\n", "Bad line 1 in INTERRUPT file NAME\nWill use default description"},
        {"no source at all", "; nothing\n\n", "No interrupt in INTERRUPT file NAME\nWill use default description"},
    };
    for (const Case& c : cases) {
        inttable = builtininttable();
        console.errors.clear();
        std::string path = tempfile("bad.int", c.contents);
        EXPECT_FALSE(readinttable(path)) << c.meaning;
        std::string message = c.message;
        if (std::size_t at = message.find("NAME"); at != std::string::npos) message.replace(at, 4, path);
        EXPECT_EQ(console.errors, message + "\n") << c.meaning;
        EXPECT_EQ(inttable, builtininttable()) << c.meaning;
    }
    console.errors.clear();
    std::string missing = temppath("none.int");
    EXPECT_FALSE(readinttable(missing));
    EXPECT_EQ(console.errors, "Can't open INTERRUPT file " + missing + "\nWill use default description\n");
    EXPECT_EQ(inttable, builtininttable());
}

// Services whose settings name an interrupt file, and whose save dialog
// names a path.
class Settings : public ConsoleServices {
public:
    std::string profilestring(const char* section, const char* key, const char* file) override {
        asked = std::string(section) + "/" + key + "/" + file;
        return value;
    }
    std::string savefilename(const char* title, const char* filter, const char* name) override {
        dialog = std::string(title) + "|" + filter + "|" + name;
        return savepath;
    }
    void interruptdialog(int id) override { dialogs += std::to_string(id) + " "; }
    std::string value, asked, savepath, dialog, dialogs;
};

TEST_F(InterruptsTest, TheSettingsNameTheFileAndTheTableIsSavedAsOne) {
    Settings settings;
    settings.capture = true;
    setservices(&settings);
    settings.value = tempfile("board.int", "0x1000 Keypad\n0x1002 Serial line\n");
    LoadInterruptTable(1);
    EXPECT_EQ(settings.asked, "TARGET/Interrupts/VYRS11.INI");
    ASSERT_EQ(intcount(), 2);
    settimeint(0, 1, 10, 0);
    LoadInterruptTable(0);  // a program load: the table stays, the triggers go
    EXPECT_EQ(intcount(), 2);
    EXPECT_EQ(inttable[0].timeactive, 0);

    settings.savepath = temppath("saved.int");
    EXPECT_EQ(InterruptMenu(225), 0);
    EXPECT_EQ(settings.dialog, "Save Interrupt Description|Interrupt Files(*.int)|desc.int");
    std::FILE* f = std::fopen(settings.savepath.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    char text[128] = {};
    std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    std::string saved(text);  // a text file: CR LF line ends on Windows
    saved.erase(std::remove(saved.begin(), saved.end(), '\r'), saved.end());
    EXPECT_EQ(saved, "0x1000  Keypad\n0x1002  Serial line\n");
    inttable = builtininttable();
    ASSERT_TRUE(readinttable(settings.savepath));
    EXPECT_STREQ(inttable[1].name, "Serial line");
    EXPECT_EQ(inttable[1].mask, 1u);
    EXPECT_EQ(InterruptMenu(300), 300);
    for (int id : {221, 222, 224}) EXPECT_EQ(InterruptMenu(id), 0);
    EXPECT_EQ(settings.dialogs, "221 222 224 ");

    settings.value = temppath("gone.int");
    LoadInterruptTable(1);
    EXPECT_EQ(inttable, builtininttable());
    EXPECT_EQ(settings.errors, "Can't open INTERRUPT file " + settings.value + "\nWill use default description\n");
    setservices(&console);

    // The stand-in reads a settings file as Windows does.
    std::string ini = tempfile("vyrs11.ini", "[Other]\nInterrupts=no\n[target]\r\n  interrupts = my board.int \r\n");
    EXPECT_EQ(console.profilestring("TARGET", "Interrupts", ini.c_str()), "my board.int");
    EXPECT_EQ(console.profilestring("TARGET", "Missing", ini.c_str()), "");
    EXPECT_EQ(console.profilestring("TARGET", "Interrupts", temppath("no.ini").c_str()), "");
}

// A program that counts in a loop; the handlers count their runs.
const char* const counting =
    "\tswitch\t.text\n"
    "\torg\t$8000\n"
    "start:\tlds\t#$00FF\n"
    "\tcli\n"
    "loop:\tinc\t$0010\n"
    "\tbra\tloop\n"
    "irq:\tinc\t$0011\n"
    "\trti\n"
    "tick:\tinc\t$0012\n"
    "\trti\n"
    "\torg\t$FFF0\n"
    "\tdc.w\ttick,irq\n";

class TriggersTest : public InterruptsTest {
protected:
    void SetUp() override {
        InterruptsTest::SetUp();
        std::string object = assemble(tempfile("count.s", std::string(counting) + "\tend\n"), {"-a", "-pl"});
        dbload(object.c_str(), nullptr);
        ASSERT_EQ(getpc(), 0x8000);
        console.errors.clear();  // no debug symbol table: none needed
        loop = symbol("loop"), irq = symbol("irq"), tick = symbol("tick");
        *timeptr = 0;
        *irqptr = 0;
    }
    // Steps until the cycle counter reaches the time; the cycle counts at
    // which each handler was entered.
    void runto(uint32_t time) {
        while (*timeptr < time) {
            uint32_t before = *timeptr;
            ASSERT_EQ(simrun::step(), simrun::Stop::step);
            if (getpc() == irq) irqs.push_back(before);
            if (getpc() == tick) rtis.push_back(before);
        }
    }
    uint16_t loop = 0, irq = 0, tick = 0;
    std::vector<uint32_t> irqs, rtis;
};

TEST_F(TriggersTest, ATimedTriggerFiresOnceAtTheFirstCheckPastItsTime) {
    runto(50);
    uint32_t set = *timeptr;
    settimeint(indexof("IRQ"), 1, 100, 0);
    runto(2000);
    // inc extended takes 6 cycles, bra 3, lds and cli 5: the interrupt is
    // taken at the first instruction boundary at or past set + 100.
    ASSERT_EQ(irqs.size(), 1u);
    EXPECT_GE(irqs[0], set + 100);
    EXPECT_LT(irqs[0], set + 100 + 6);
    EXPECT_EQ(rdbyte(0x0011), 1);
    const IntDesc& d = inttable[indexof("IRQ")];
    EXPECT_EQ(d.timeactive, 0);
    EXPECT_EQ(d.timetriggered, 1);
    EXPECT_EQ(*irqptr, 0u);
}

TEST_F(TriggersTest, APeriodicTriggerFiresEveryPeriod) {
    settimeint(indexof("Real Time Interrupt"), 1, 1000, 1000);
    runto(10500);
    ASSERT_EQ(rtis.size(), 10u);
    for (std::size_t k = 0; k < rtis.size(); ++k) {
        EXPECT_GE(rtis[k], 1000 * (k + 1)) << k;
        EXPECT_LT(rtis[k], 1000 * (k + 1) + 6 + 12 + 12) << k;  // an instruction and the handler's own run
    }
    const IntDesc& d = inttable[indexof("Real Time Interrupt")];
    EXPECT_EQ(d.nexttime, 11000u);  // moved by exactly the period each time
    EXPECT_EQ(d.timeactive, 1);
    EXPECT_EQ(rdbyte(0x0012), 10);
}

TEST_F(TriggersTest, ALocationTriggerFiresOnItsHitCount) {
    LocationTrigger at;
    at.byaddress = true;
    at.address = loop;
    at.hitcount = 3;
    ASSERT_TRUE(setlocint(indexof("IRQ"), 1, at));
    uint32_t loops = 0;
    while (irqs.empty()) {
        if (getpc() == loop) ++loops;
        uint32_t before = *timeptr;
        ASSERT_EQ(simrun::step(), simrun::Stop::step);
        if (getpc() == irq) irqs.push_back(before);
    }
    // Checked before each instruction: the third time the PC stands at
    // loop the interrupt is taken, before loop's instruction runs.
    EXPECT_EQ(loops, 3u);
    EXPECT_EQ(rdbyte(0x0010), 2);
    const IntDesc& d = inttable[indexof("IRQ")];
    EXPECT_EQ(d.locactive, 0);
    EXPECT_EQ(d.loctriggered, 1);
    runto(*timeptr + 500);
    EXPECT_EQ(irqs.size(), 1u);
    at.hitcount = 0;
    EXPECT_FALSE(setlocint(indexof("IRQ"), 1, at));
}

TEST_F(TriggersTest, MaskedInterruptsWaitAndNoneIsDropped) {
    regs.cc |= CC_X;
    *irqptr = 4 | 8 | (1u << 20);  // XIRQ, IRQ, and a bit no source has
    setpc(loop);
    regs.sp = 0x00FF;
    regs.cc |= CC_I;
    runto(100);
    EXPECT_EQ(*irqptr, 4u | 8u | (1u << 20));  // X and I hold them
    regs.cc &= static_cast<uint8_t>(~CC_I);
    ASSERT_EQ(simrun::step(), simrun::Stop::step);
    EXPECT_EQ(*irqptr, 4u | (1u << 20));  // IRQ first, bit 20 waits behind it
    EXPECT_EQ(getpc(), irq);
}

TEST_F(TriggersTest, TimingNeedsTheCycleCounter) {
    undefsym(".time");
    settimeint(indexof("IRQ"), 1, 100, 0);
    settimeint(indexof("SPI"), 1, 100, 0);
    EXPECT_EQ(console.errors, "Timing Not Avalaible\n");  // once
    EXPECT_EQ(inttable[indexof("IRQ")].timeactive, 0);
    defsym(".time", 0);
}

}  // namespace
}  // namespace vy
