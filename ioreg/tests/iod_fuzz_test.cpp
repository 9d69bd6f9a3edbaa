// Mutated ".iod" files: no reading, text, value or write may crash or read
// past a line (the sanitizers watch), and every field keeps its value
// within its width and its writes within its bits. VY_FUZZ_CASES sets the
// number of cases, VY_FUZZ_SEED the seed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "ioreg/item_text.h"
#include "target_standin.h"

namespace vy {
namespace {

int setting(const char* name, int initial) {
    const char* value = std::getenv(name);
    return value && *value ? std::atoi(value) : initial;
}

const char* const seedlines[] = {
    "Timer and ports",
    "B 1000,PORTA",
    " W 7,7,PA7",
    "  0,Low",
    "  1,High",
    "W 100E,TCNT",
    " R f,0,Count",
    "  X,count",
    "B 1020,TCTL1",
    " W 7,6,OM2:OL2",
    "  0,Disconnected",
    "  3,Set",
    " W 20,8C,SCAT",
    "  X,Other",
    "L 102E,LONG",
    " R 1f,0,ALL",
    " r 25,3,WIDE",
    " W 2,6,BACKWARDS",
    "",
    "  7,orphan",
};

// One file: seed lines in a random order and number, each perhaps mutated.
std::string mutated(std::mt19937& random) {
    static const std::string alphabet = " ,X0123456789abcdefxBWLRr\t\r\n";
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    std::string text;
    std::size_t lines = 1 + pick(30);
    for (std::size_t i = 0; i < lines; ++i) {
        std::string line = seedlines[i == 0 ? 0 : pick(std::size(seedlines))];
        for (std::size_t edits = pick(4); edits > 0; --edits) {
            std::size_t at = line.empty() ? 0 : pick(line.size() + 1);
            switch (pick(6)) {
            case 0: if (at < line.size()) line.erase(at, 1); break;
            case 1: line.insert(at, 1, alphabet[pick(alphabet.size())]); break;
            case 2: line.insert(at, 1, static_cast<char>(random())); break;
            case 3: line.resize(at); break;
            case 4: line.insert(at, std::string(pick(700), line.empty() ? 'B' : line[at % line.size()])); break;
            case 5: line.insert(at, "ffffffffff"); break;
            }
        }
        if (pick(40) == 0)
            for (int n = 0; n < 300; ++n) line += "\n  " + std::to_string(n) + ",v";
        text += line;
        text += pick(5) == 0 ? "\r\n" : "\n";
    }
    if (pick(3) == 0) text.pop_back();
    return text;
}

void checkfield(IodField* field, std::mt19937& random) {
    uint32_t width = FieldWidthMask(field);
    uint32_t regvalue = random(), value = random();
    EXPECT_EQ(FieldValue(regvalue, field) & ~width, 0u) << field->name;
    uint32_t written = FieldInserted(regvalue, value, field);
    EXPECT_EQ(FieldValue(written, field), value & width) << field->name;
    // The register bits the field covers, from its line.
    uint32_t bits = field->highbit == SCATTERED ? field->mask : width ? width << field->lowbit : 0;
    EXPECT_EQ(written & ~bits, regvalue & ~bits) << field->name;
    FieldText(field);
    ValueEntries(field);
    ValueAt(field, ValueSelection(field));
    std::string text;
    TypeFieldValue(field, field->values, std::to_string(value), text);
    if (IodValue* v = ValueAt(field, static_cast<int>(random() % (field->valuecount + 1))); v && !v->other)
        ChooseValue(field, v);
}

TEST(IodFuzz, MutatedFilesReadAndEditSafely) {
    std::mt19937 random(static_cast<unsigned>(setting("VY_FUZZ_SEED", 45)));
    const int cases = setting("VY_FUZZ_CASES", 3000);
    dbgcalls = standin::table();
    standin::reset();
    for (uint8_t& byte : standin::memory) byte = static_cast<uint8_t>(random());
    for (int n = 0; n < cases; ++n) {
        standin::calls.clear();
        IodModule* module = newmodule(nullptr, "fuzz");
        module->offset = static_cast<int32_t>(random());
        std::string text = mutated(random);
        LoadIodText(module, text);
        for (IodRegister* reg = module->registers; reg; reg = reg->link) {
            RegisterText(reg);
            RegisterEditText(reg);
            for (IodField* field = reg->fields; field; field = field->link) {
                EXPECT_EQ(field->reg, reg);
                checkfield(field, random);
            }
            TypeRegisterValue(reg, std::to_string(random()));
        }
        freemodule(module);
        if (testing::Test::HasFailure()) {
            ADD_FAILURE() << "case " << n << ":\n" << text;
            break;
        }
    }
}

}  // namespace
}  // namespace vy
