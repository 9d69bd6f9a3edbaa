// pirn: the hex converter. The loaded sections of a linked program (those
// with bytes in the file; the debug section is not loaded) as Motorola
// S-records or Intel hex.
//
//   pirn [-fm|-f2|-fi] [-n segment]... [-m bytes] [-b bias] [-e entry] [-h]
//        [+h header] [-s] [-a addr] [-p|-pn|-pp] [-o file] program
//
// -fm: S0 header, S1 records, S9 end; -f2: S2 records and S8; -fi: Intel
// hex data records (with extended linear address records above 64 KB), an
// entry record for -e and the end record. -n keeps the named sections
// (".text" or "text"); -m sets the data bytes per record (16); -b adds a
// bias to every address; -e gives the entry address of the end record; -h
// leaves out the S0 record, whose text is +h's or the program's name; -s
// writes the sections in increasing address order. -a and the paging
// styles are accepted.
#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "ccparse/toolkit/toolkit.h"
#include "outside/posttools/posttool.h"

namespace {

struct Block {
    uint32_t address;
    const std::vector<uint8_t>* bytes;
};

const char* const HEX = "0123456789ABCDEF";

void put_byte(std::string& out, uint8_t b) {
    out += HEX[b >> 4];
    out += HEX[b & 15];
}

// One S-record: type, address of `width` bytes, data; the count and the
// ones' complement checksum around them.
void srecord(std::string& out, char type, uint32_t address, int width, const uint8_t* data, size_t n) {
    std::vector<uint8_t> body;
    body.push_back(static_cast<uint8_t>(width + n + 1));
    for (int i = width - 1; i >= 0; --i) body.push_back(static_cast<uint8_t>(address >> (8 * i)));
    body.insert(body.end(), data, data + n);
    uint8_t sum = 0;
    for (uint8_t b : body) sum = static_cast<uint8_t>(sum + b);
    out += 'S';
    out += type;
    for (uint8_t b : body) put_byte(out, b);
    put_byte(out, static_cast<uint8_t>(~sum));
    out += '\n';
}

// One Intel hex record with its two's complement checksum.
void intel(std::string& out, uint8_t type, uint16_t address, const uint8_t* data, size_t n) {
    std::vector<uint8_t> body{static_cast<uint8_t>(n), static_cast<uint8_t>(address >> 8),
                              static_cast<uint8_t>(address), type};
    body.insert(body.end(), data, data + n);
    uint8_t sum = 0;
    for (uint8_t b : body) sum = static_cast<uint8_t>(sum + b);
    out += ':';
    for (uint8_t b : body) put_byte(out, b);
    put_byte(out, static_cast<uint8_t>(-sum));
    out += '\n';
}

bool number(const char* text, uint32_t& value) {
    if (!text) return true;
    int32_t n = 0;
    const char* end = vy::getnum(text, &n, 1);
    value = static_cast<uint32_t>(n);
    return *text && !*end;
}

bool wanted(const std::string& name, const vy::OptionList& segments) {
    if (segments.size() == 0) return true;
    for (const char* s : segments.oldest_first()) {
        std::string want = s ? s : "";
        if (name == want || name == "." + want) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::set_new_handler(vy::nomemory);
    vy::version_text = "V1.0";
    int noheader = 0, increasing = 0, page = 0, page_noral = 0, page_promic = 0;
    const char *format = nullptr, *output = nullptr, *absolute = nullptr, *bias_text = nullptr,
               *entry_text = nullptr, *max_text = nullptr, *header_text = nullptr;
    vy::OptionList segments(256);
    const vy::OptionDescriptor options[] = {
        {"a*  absolute start address", &absolute},
        {"b*  address bias", &bias_text},
        {"e*  entry point address", &entry_text},
        {"f*  output format: m S1, 2 S2, i Intel hex", &format},
        {"h   no header record", &noheader},
        {"m*  maximum data bytes per record", &max_text},
        {"n*> section to convert", &segments},
        {"o*  output file name", &output},
        {"pn  NORAL paginated style", &page_noral},
        {"pp  PROMIC paginated style", &page_promic},
        {"p   standard paginated style", &page},
        {"s   increasing addresses", &increasing},
        {"+h* header text", &header_text},
    };
    vy::parse_command_line(argc, argv, "68HC11 Hex Converter", "program", options);
    std::string path;
    objfile::Object obj;
    if (!posttool::read_program(argc, argv, path, obj)) return 1;

    std::string kind = format ? format : "m";
    if (kind != "m" && kind != "2" && kind != "i") return posttool::error(path, "unknown format " + kind);
    uint32_t bias = 0, entry = 0, max = 16;
    if (!number(bias_text, bias)) return posttool::error(path, "bad bias " + std::string(bias_text));
    if (!number(entry_text, entry)) return posttool::error(path, "bad entry address " + std::string(entry_text));
    if (!number(max_text, max) || max < 1 || max > 250)
        return posttool::error(path, "bad record size " + std::string(max_text));

    std::vector<Block> blocks;
    // The debug section is never loaded.
    for (const objfile::Section& s : obj.sections)
        if (!(s.attr & objfile::SEC_BSS) && !s.data.empty() && s.name != ".debug" && wanted(s.name, segments))
            blocks.push_back({s.start + bias, &s.data});
    if (increasing)
        std::stable_sort(blocks.begin(), blocks.end(), [](const Block& a, const Block& b) { return a.address < b.address; });

    const uint64_t limit = kind == "m" ? 0x10000 : kind == "2" ? 0x1000000 : 0x100000000;
    std::string out;
    if (kind != "i" && !noheader) {
        std::string text = header_text ? header_text : path.substr(path.find_last_of("/\\:") + 1);
        srecord(out, '0', 0, 2, reinterpret_cast<const uint8_t*>(text.data()), std::min<size_t>(text.size(), 64));
    }
    uint32_t upper = 0;
    for (const Block& b : blocks) {
        if (b.address + uint64_t{b.bytes->size()} > limit)
            return posttool::error(path, "addresses beyond the format's range");
        for (size_t at = 0, n = 0; at < b.bytes->size(); at += n) {
            n = std::min<size_t>(max, b.bytes->size() - at);
            uint32_t address = b.address + static_cast<uint32_t>(at);
            const uint8_t* data = b.bytes->data() + at;
            if (kind == "m") {
                srecord(out, '1', address, 2, data, n);
            } else if (kind == "2") {
                srecord(out, '2', address, 3, data, n);
            } else {
                // A record does not cross a 64 KB boundary.
                n = std::min<size_t>(n, 0x10000 - (address & 0xFFFF));
                if ((address >> 16) != upper) {
                    upper = address >> 16;
                    uint8_t high[2] = {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)};
                    intel(out, 4, 0, high, 2);
                }
                intel(out, 0, static_cast<uint16_t>(address), data, n);
            }
        }
    }
    if (kind == "m") {
        srecord(out, '9', entry & 0xFFFF, 2, nullptr, 0);
    } else if (kind == "2") {
        srecord(out, '8', entry & 0xFFFFFF, 3, nullptr, 0);
    } else {
        if (entry_text) {
            uint8_t start[4] = {static_cast<uint8_t>(entry >> 24), static_cast<uint8_t>(entry >> 16),
                                static_cast<uint8_t>(entry >> 8), static_cast<uint8_t>(entry)};
            intel(out, 5, 0, start, 4);
        }
        intel(out, 1, 0, nullptr, 0);
    }
    return posttool::put_output(output ? output : "", out, path) ? 0 : 1;
}
