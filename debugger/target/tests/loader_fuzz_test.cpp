// Hostile program files: generated S-record and Intel hex files, mutated at
// random, and random bytes. No load may crash, a refused text file must leave
// target memory exactly as it was, and an untouched good file must load.
#include <array>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "debugger/target/loader.h"
#include "debugger/target/memory.h"
#include "debugger/target/services.h"
#include "support/tests/fuzz_budget.h"
#include "target_fixture.h"

namespace vy {
namespace {

using LoaderFuzzTest = TargetTest;

struct Record {
    uint16_t address;
    std::vector<uint8_t> data;
};

std::string hex2(unsigned byte) {
    static const char digits[] = "0123456789ABCDEF";
    return {digits[(byte >> 4) & 0xF], digits[byte & 0xF]};
}

// An S1 (or S2 with a 24-bit address) record with a correct count and check.
std::string srecord(int type, uint32_t address, const std::vector<uint8_t>& data) {
    int addrbytes = type == 2 || type == 8 ? 3 : type == 3 || type == 7 ? 4 : 2;
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(addrbytes + data.size() + 1)};
    for (int i = addrbytes - 1; i >= 0; --i) bytes.push_back(static_cast<uint8_t>(address >> (8 * i)));
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    std::string line = "S" + std::to_string(type);
    for (uint8_t b : bytes) sum += b, line += hex2(b);
    return line + hex2(~sum & 0xFF);
}

std::string intelrecord(int type, uint16_t address, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(data.size()), static_cast<uint8_t>(address >> 8),
                                  static_cast<uint8_t>(address), static_cast<uint8_t>(type)};
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    std::string line = ":";
    for (uint8_t b : bytes) sum += b, line += hex2(b);
    return line + hex2(-sum & 0xFF);
}

// The bytes of every page in the cache; an empty entry for a page never
// touched. The test keeps few enough pages that none goes to the swap file.
using Image = std::array<std::vector<uint8_t>, NPAGES>;
Image snapshot() {
    Image pages;
    for (int i = 0; i < NPAGES; ++i)
        if (resident[i]) pages[i].assign(resident[i]->data, resident[i]->data + PAGESIZE);
    return pages;
}

// Whether memory reads as it did: pages touched since then may only hold 0.
bool unchanged(const Image& before) {
    Image now = snapshot();
    for (int i = 0; i < NPAGES; ++i) {
        if (before[i].empty()) {
            for (uint8_t b : now[i])
                if (b) return false;
        } else if (now[i] != before[i]) {
            return false;
        }
    }
    return true;
}

void fillpattern() {
    initswap();
    for (uint32_t a = 0; a < 0x1000; ++a) wrbyte(static_cast<uint16_t>(a), static_cast<uint8_t>(a * 13));
    for (uint32_t a = 0xFE00; a <= 0xFFFF; ++a) wrbyte(static_cast<uint16_t>(a), static_cast<uint8_t>(a * 7));
}

TEST_F(LoaderFuzzTest, HostileTextFilesNeverCrashAndRefusalsStoreNothing) {
    std::mt19937 rng(vytest::fuzzseed(20261210));
    auto below = [&rng](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
    // Good files write near both ends of memory; mutations may reach any
    // address, so the whole space is compared after a refusal.
    fillpattern();
    const std::string path = tempfile("fuzz.txt", "");
    int refused = 0, accepted = 0;
    const int rounds = vytest::fuzzcases(3000, 3000);
    for (int round = 0; round < rounds; ++round) {
        bool intel = below(2);
        std::vector<Record> records;
        std::string file;
        const char* eol = below(2) ? "\r\n" : "\n";
        if (!intel && below(2)) file += srecord(0, 0, {'h', 'd', 'r'}) + eol;
        for (uint32_t n = below(6); n > 0; --n) {
            Record r;
            r.address = static_cast<uint16_t>(below(2) ? below(0x1000) : 0xFFF0 + below(16));
            for (uint32_t k = below(24); k > 0; --k) r.data.push_back(static_cast<uint8_t>(rng()));
            file += (intel ? intelrecord(0, r.address, r.data) : srecord(below(2) ? 1 : 2, r.address, r.data)) + eol;
            records.push_back(r);
        }
        if (below(4) == 0) file += std::string("$ note") + eol;
        file += intel ? intelrecord(1, 0, {}) : srecord(9, 0x1234, {});
        file += eol;

        int mutations = below(3) == 0 ? 0 : 1 + static_cast<int>(below(4));
        for (int m = 0; m < mutations && !file.empty(); ++m) {
            std::size_t at = below(static_cast<uint32_t>(file.size()));
            switch (below(6)) {
            case 0: file[at] = static_cast<char>(rng()); break;
            case 1: file[at] = "0123456789ABCDEFSs:$ \r\n"[below(23)]; break;
            case 2: file.erase(at, 1); break;
            case 3: file.insert(at, 1, static_cast<char>(rng())); break;
            case 4: file.resize(at); break;
            case 5: file.insert(at, std::string(below(600), "0F"[below(2)])); break;
            }
        }
        if (below(20) == 0) {  // now and then nothing but noise behind a text marker
            file = below(2) ? "S" : ":";
            for (uint32_t k = below(300); k > 0; --k) file += static_cast<char>(rng());
        }
        if (file.empty() || (file[0] != 'S' && file[0] != ':')) continue;

        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(file.data(), 1, file.size(), f);
        std::fclose(f);
        int pages = 0;
        for (MemPage* p : resident) pages += p != nullptr;
        if (pages > 100) fillpattern();
        Image before = snapshot();
        console.errors.clear();
        console.out.clear();
        EXPECT_EQ(ldprog(path.c_str(), 0, 0, 0, 0), 0);
        if (LoadFailed) {
            ++refused;
            ASSERT_EQ(console.errors.rfind("read error S-record/Hex, line ", 0), 0u) << file;
            ASSERT_TRUE(unchanged(before)) << "a refused file changed memory:\n" << file;
            ASSERT_EQ(loadformat, 2) << file;
        } else {
            ++accepted;
            ASSERT_EQ(console.errors, "") << file;
            if (mutations == 0) {
                std::map<uint16_t, uint8_t> expected;  // later records win
                for (const Record& r : records) {
                    uint16_t a = r.address;
                    for (uint8_t b : r.data) expected[a++] = b;
                }
                for (auto [a, b] : expected) ASSERT_EQ(rdbyte(a), b) << file;
                ASSERT_EQ(loadformat, intel ? ':' : 'S') << file;
            }
        }
    }
    // The generator must reach both outcomes often, or the test proves little.
    EXPECT_GT(refused, rounds / 6);
    EXPECT_GT(accepted, rounds / 6);
}

TEST_F(LoaderFuzzTest, RandomImagesLoadWhole) {
    std::mt19937 rng(vytest::fuzzseed(7));
    const std::string path = tempfile("fuzz.bin", "");
    for (int round = 0, rounds = vytest::fuzzcases(200, 200); round < rounds; ++round) {
        std::string image(rng() % 3000, '\0');
        for (char& c : image) c = static_cast<char>(rng());
        if (!image.empty() && (image[0] == 'S' || image[0] == ':')) image[0] = 0;
        uint16_t base = static_cast<uint16_t>(rng());
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(image.data(), 1, image.size(), f);
        std::fclose(f);
        int first = image.empty() ? -1 : static_cast<uint8_t>(image[0]);
        bool object = first == 0x9D || first == 0xC2 || first == 0xC3 || first == 0xCC || first == 0xCD;
        ldprog(path.c_str(), object ? 1 : 0, 0, base, 0);
        closeobj();
        ASSERT_EQ(loadformat, 'A');
        for (std::size_t i = 0; i < image.size(); ++i)
            ASSERT_EQ(rdbyte(static_cast<uint16_t>(base + i)), static_cast<uint8_t>(image[i])) << i;
    }
}

}  // namespace
}  // namespace vy
