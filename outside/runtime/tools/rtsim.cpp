#include "outside/runtime/tools/rtsim.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include "ccasm/asm.h"
#include "ccasm/tools/objfile.h"
#include "ccopt/opt.h"
#include "debugger/target/console_services.h"
#include "debugger/target/decoder.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/symbols.h"
#include "outside/lomar/diag.h"
#include "outside/lomar/library.h"
#include "outside/lomar/linker.h"

namespace rtsim {

namespace fs = std::filesystem;

namespace {

vy::ConsoleServices console;

std::string read_text(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Assembles `source` into `object`; the diagnostics, empty when clean.
std::string assemble(const fs::path& source, const fs::path& object) {
    fs::path errors = object;
    errors.replace_extension(".err");
    FILE* err = std::fopen(errors.string().c_str(), "w");
    int status;
    {
        ccasm::Asm a;
        a.opt.include_dirs.push_back(std::string(VY_SOURCE_DIR) + "/outside/runtime");
        a.opt.object_name = object.string();
        a.err = err;
        status = ccasm::assemble(a, {source.string()});
    }
    std::fclose(err);
    std::string text = read_text(errors);
    if (status && text.empty()) text = "ccasm failed on " + source.string();
    return text;
}

}  // namespace

bool routine_words(const std::string& name, uint16_t& uses, uint16_t& effects) {
    const ccopt::RuntimeRoutine* r = ccopt::findroutine(name);
    if (!r) return false;
    uses = r->uses;
    effects = r->effects;
    return true;
}

std::vector<std::string> table_routines() {
    std::vector<std::string> names;
    for (int i = 0; i < ccopt::runtime_count; ++i) names.emplace_back(ccopt::runtime_routines[i].name);
    return names;
}

int random_cases(int in_ci) {
    const char* v = std::getenv("RT11_CASES");
    if (v && *v) return std::max(1, std::atoi(v));
    return in_ci;
}

Target& Target::get() {
    static Target target;
    return target;
}

Target::Target(const std::vector<std::string>& extra) {
    // A folder of this process's own: test programs run side by side.
    fs::path dir = fs::current_path() / ("rt11_build_" + std::to_string(
#ifdef _WIN32
        static_cast<long>(::_getpid())
#else
        static_cast<long>(::getpid())
#endif
        ));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::path sources = fs::path(VY_SOURCE_DIR) / "outside" / "runtime";
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(sources))
        if (e.path().extension() == ".s") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    std::vector<lomar::LibraryMember> members;
    std::vector<std::string> publics;
    for (const fs::path& f : files) {
        fs::path object = dir / f.filename();
        object.replace_extension(".o");
        std::string errors = assemble(f, object);
        if (!errors.empty()) {
            build_errors += errors;
            continue;
        }
        lomar::LibraryMember m;
        m.name = object.filename().string();
        std::string error;
        objfile::Object obj;
        if (!lomar::read_file(object.string(), m.bytes, error) || !objfile::read(m.bytes, obj, error))
            build_errors += error + "\n";
        for (const objfile::Symbol& s : obj.symbols)
            if ((s.flags & 0x05) == 0x05) publics.push_back(s.name);
        members.push_back(std::move(m));
    }
    lomar::write_file((dir / "rt11.lib").string(), lomar::write_library(members));

    // Every public symbol of the library referred to, so that every member
    // is linked.
    std::string refs;
    for (const std::string& name : publics) refs += "\txref\t" + name + "\n";
    refs += "\tswitch\t.text\nrefs:\n";
    for (const std::string& name : publics) refs += "\tdc.w\t" + name + "\n";
    refs += "\tend\n";
    std::ofstream(dir / "refs.s", std::ios::binary) << refs;
    build_errors += assemble(dir / "refs.s", dir / "refs.o");
    std::string extra_objects;
    for (size_t i = 0; i < extra.size(); ++i) {
        fs::path object = dir / ("extra" + std::to_string(i) + ".o");
        build_errors += assemble(extra[i], object);
        extra_objects += "\"" + object.string() + "\"\n";
    }

    std::string script_text = "+seg .text -b0x8000\n+seg .const\n+seg .data -b0x2000\n+seg .bss\n"
                              "+def __memory=end(.bss)\n\"" +
                              (dir / "refs.o").string() + "\"\n" + extra_objects + "\"" + (dir / "rt11.lib").string() +
                              "\"\n";
    lomar::Diagnostics diag("lomar");
    lomar::LinkScript script;
    lomar::LinkResult result;
    if (lomar::parse_link_script("rt.lkf", script_text, script, diag)) result = lomar::link(script, {}, diag);
    build_errors += diag.text();
    objfile::Object program;
    std::string error;
    if (result.program.empty() || !objfile::read(result.program, program, error)) {
        build_errors += "no program " + error + "\n";
        return;
    }
    for (const objfile::Section& s : program.sections) {
        if ((s.attr & 0x01) || s.name == ".debug") continue;
        for (size_t i = 0; i < s.data.size(); ++i)
            image_.emplace_back(static_cast<uint16_t>(s.start + i), s.data[i]);
    }
    for (const objfile::Symbol& s : program.symbols) symbols_[s.name] = static_cast<uint16_t>(s.value);
    fs::remove_all(dir);

    console.capture = true;
    vy::setservices(&console);
    vy::meminit();
    if (!vy::timeptr) vy::defsym(".time", 0);
    for (const auto& [address, byte] : image_) vy::wrbyte(address, byte);
}

uint16_t Target::symbol(const std::string& name) const {
    auto it = symbols_.find(name);
    return it == symbols_.end() ? 0 : it->second;
}

void Target::poke(uint16_t address, const std::vector<uint8_t>& bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) vy::wrbyte(static_cast<uint16_t>(address + i), bytes[i]);
}

std::vector<uint8_t> Target::peek(uint16_t address, size_t count) {
    std::vector<uint8_t> v(count);
    for (size_t i = 0; i < count; ++i) v[i] = vy::rdbyte(static_cast<uint16_t>(address + i));
    return v;
}

void Target::poke32(uint16_t address, uint32_t v) {
    poke(address, {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
                   static_cast<uint8_t>(v)});
}

uint32_t Target::peek32(uint16_t address) {
    std::vector<uint8_t> b = peek(address, 4);
    return static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 | static_cast<uint32_t>(b[2]) << 8 | b[3];
}

uint16_t Target::peek16(uint16_t address) {
    std::vector<uint8_t> b = peek(address, 2);
    return static_cast<uint16_t>(b[0] << 8 | b[1]);
}

void Target::set_lr(Call& c, uint32_t v) {
    c.in.d = static_cast<uint16_t>(v);
    c.memory[static_cast<uint16_t>(c.in.x + 2)] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16)};
}

uint32_t Target::lr(const Outcome& o) {
    return static_cast<uint32_t>(peek16(static_cast<uint16_t>(o.out.x + 2))) << 16 | o.out.d;
}

Outcome Target::run(const Call& call, uint32_t max_steps) {
    Outcome o;
    if (call.code.empty() && !has(call.routine)) {
        o.error = "no routine " + call.routine;
        return o;
    }
    for (const auto& [address, bytes] : call.memory) poke(address, bytes);
    uint16_t target = symbol(call.routine);
    std::vector<uint8_t> stub{0xBD, static_cast<uint8_t>(target >> 8), static_cast<uint8_t>(target)};
    stub.insert(stub.end(), call.inline_bytes.begin(), call.inline_bytes.end());
    if (!call.code.empty()) stub = call.code;
    poke(STUB, stub);
    uint16_t back = static_cast<uint16_t>(STUB + stub.size());
    vy::setreg(vy::REG_D, call.in.d);
    vy::setreg(vy::REG_X, call.in.x);
    vy::setreg(vy::REG_Y, call.in.y);
    vy::setreg(vy::REG_SP, call.in.sp);
    vy::setreg(vy::REG_CCR, call.in.cc);
    vy::setpc(STUB);
    *vy::timeptr = 0;
    uint32_t steps = 0;
    for (;; ++steps) {
        uint16_t pc = vy::getpc();
        if (steps > 0 && (pc == back || std::find(call.stops.begin(), call.stops.end(), pc) != call.stops.end())) {
            o.ok = true;
            break;
        }
        if (steps >= max_steps) {
            o.error = "no return after " + std::to_string(max_steps) + " instructions";
            break;
        }
        if (vy::decinstr(pc, vy::DEC_EXEC, nullptr) == vy::NOINSTR) {
            char text[64];
            std::snprintf(text, sizeof text, "no instruction at 0x%04x", pc);
            o.error = text;
            break;
        }
    }
    o.pc = vy::getpc();
    o.out.d = static_cast<uint16_t>(vy::getreg(vy::REG_D));
    o.out.x = static_cast<uint16_t>(vy::getreg(vy::REG_X));
    o.out.y = static_cast<uint16_t>(vy::getreg(vy::REG_Y));
    o.out.sp = static_cast<uint16_t>(vy::getreg(vy::REG_SP));
    o.out.cc = static_cast<uint8_t>(vy::getreg(vy::REG_CCR));
    o.cycles = *vy::timeptr;
    return o;
}

std::string check_contract(const Call& call, const Outcome& first, std::mt19937& rng, bool flags,
                           const std::vector<std::pair<uint16_t, size_t>>& results) {
    uint16_t uses = 0, effects = 0;
    if (!routine_words(call.routine, uses, effects)) return call.routine + " is not in the table";
    if (!first.ok) return first.error;
    std::string failed;
    char text[160];
    auto kept = [&](uint16_t bit, const char* name, uint32_t before, uint32_t after) {
        if (!(effects & bit) && before != after) {
            std::snprintf(text, sizeof text, "%s changed %s: 0x%x to 0x%x; ", call.routine.c_str(), name, before, after);
            failed += text;
        }
    };
    kept(R_A, "A", call.in.d >> 8, first.out.d >> 8);
    kept(R_B, "B", call.in.d & 0xFF, first.out.d & 0xFF);
    kept(R_X, "X", call.in.x, first.out.x);
    kept(R_Y, "Y", call.in.y, first.out.y);
    kept(R_SP, "SP", call.in.sp, first.out.sp);

    // The memory of the results as the first run left them.
    std::vector<std::vector<uint8_t>> before;
    for (const auto& [address, count] : results) before.push_back(Target::peek(address, count));

    // Again with other values in every register outside the uses.
    Call again = call;
    std::uniform_int_distribution<int> byte(0, 255);
    if (!(uses & R_A)) again.in.d = static_cast<uint16_t>((again.in.d & 0x00FF) | byte(rng) << 8);
    if (!(uses & R_B)) again.in.d = static_cast<uint16_t>((again.in.d & 0xFF00) | byte(rng));
    if (!(uses & R_Y)) again.in.y = static_cast<uint16_t>(0x4000 + byte(rng) * 8);
    again.in.cc = static_cast<uint8_t>((call.in.cc & 0xD0) | (byte(rng) & 0x2F));  // H N Z V C
    Outcome second = Target::get().run(again);
    if (!second.ok) return failed + "second run: " + second.error;
    auto same = [&](uint16_t bit, const char* name, uint32_t a, uint32_t b) {
        if ((effects & bit) && a != b) {
            std::snprintf(text, sizeof text, "%s reads a register outside its uses: %s 0x%x, then 0x%x; ",
                          call.routine.c_str(), name, a, b);
            failed += text;
        }
    };
    same(R_A, "A", first.out.d >> 8, second.out.d >> 8);
    same(R_B, "B", first.out.d & 0xFF, second.out.d & 0xFF);
    if (effects & R_Y) same(R_Y, "Y", first.out.y, second.out.y);
    same(R_SP, "SP", first.out.sp, second.out.sp);
    if (flags && (first.out.cc & 0x0F) != (second.out.cc & 0x0F)) {
        std::snprintf(text, sizeof text, "%s flags depend on a register outside its uses: 0x%x, then 0x%x; ",
                      call.routine.c_str(), first.out.cc & 0x0F, second.out.cc & 0x0F);
        failed += text;
    }
    for (size_t i = 0; i < results.size(); ++i)
        if (Target::peek(results[i].first, results[i].second) != before[i]) {
            std::snprintf(text, sizeof text, "%s memory at 0x%04x depends on a register outside its uses; ",
                          call.routine.c_str(), results[i].first);
            failed += text;
        }
    return failed;
}

}  // namespace rtsim
