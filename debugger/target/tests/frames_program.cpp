#include "frames_program.h"

#include <algorithm>
#include <vector>

#include "debugger/target/abi.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/tools/sim_run.h"
#include "debugger/target/typed_values.h"

namespace vy {

namespace pb = progbuild;

namespace {

constexpr uint32_t PTR = 0x40000000, ARRAY = 0xC0000000;

pb::Function function(const char* name, uint32_t type, std::vector<pb::Var> vars, uint32_t first, uint32_t last) {
    pb::Function fn;
    fn.name = name;
    fn.type = type;
    fn.vars = std::move(vars);
    fn.first = first;
    fn.last = last;
    fn.hascode = false;  // the code is frames.s
    return fn;
}

// A value read by the debugger, as the host holds it.
host::Value targetnumber(const TargetValue& v, uint32_t type) {
    host::Value h;
    if (v.isreal) {
        h.real = true;
        h.floating = v.real;
        return h;
    }
    switch (type & 0xFF) {
    case 8: case 9: case 75: h.integer = static_cast<int8_t>(v.bits); break;
    case 16: case 24: case 74: case 76: case 77: h.integer = static_cast<int16_t>(v.bits); break;
    case 32: case 78: h.integer = static_cast<int32_t>(v.bits); break;
    default: h.integer = v.bits; break;
    }
    return h;
}

// The type a pointer type points to.
uint32_t pointee(uint32_t type) { return ((type & 0x3FFFFF00u) << 2) | (type & 0xFFu); }

}  // namespace

// frames.c as the front end describes it.
pb::Program framestree() {
    pb::Program p;
    pb::Members pair{"pair", "pair", {}, 9};
    pair.members = {pb::var("a", 0, 0, 24), pb::var("tag", 0, 2, 9), pb::var("big", 0, 3, 32),
                    pb::var("lo", 0, 7, 25, {3}), pb::var("hi", 0, 7, 25, {3 << 8 | 5})};
    p.members = {pair};
    pb::File f;
    f.name = "frames.c";
    f.funcs = {
        function("probe", 80, {pb::var("id", 7, 0, 24)}, 17, 19),
        function("walk", 24,
                 {pb::var("n", 7, 0, 24), pb::var("c", 2, 3, 9), pb::var("up", 2, 4, PTR | 72, {0}, "pair"),
                  pb::var("sq", 3, 4, 32), pb::var("f", 3, 8, 40), pb::var("d", 3, 16, 41),
                  pb::var("ip", 3, 18, PTR | 24, {0}), pb::var("here", 3, 27, 72, {}, "pair")},
                 22, 45),
        function("main", 24, {pb::var("top", 3, 9, 72, {}, "pair")}, 47, 60),
    };
    f.globals = {pb::var("total", 6, 0x0100, 32), pb::var("halves", 6, 0x9000, ARRAY | 40, {4}),
                 pb::var("thirds", 6, 0x9010, ARRAY | 41, {4}), pb::var("bigs", 6, 0x9030, ARRAY | 32, {4})};
    p.files = {f};
    return p;
}

host::Value readexpr(const FrameNode* frame, std::string text) {
    bool deref = !text.empty() && text[0] == '*';
    if (deref) text.erase(0, 1);
    std::size_t arrow = text.find("->"), dot = text.find('.');
    std::string name = text.substr(0, std::min(arrow, dot)), member;
    if (arrow != std::string::npos) member = text.substr(arrow + 2);
    else if (dot != std::string::npos) member = text.substr(dot + 1);
    const LocalRec* rec = funcvar(frame->func, name.c_str());
    EXPECT_NE(rec, nullptr) << name;
    if (!rec) return {};
    VarPlace place = readvar(rec, frame);
    uint16_t address = place.address;
    uint8_t cls = place.cls;
    uint32_t type = rec->type, detail = firstdetail(rec);
    if (deref || arrow != std::string::npos) {
        address = static_cast<uint16_t>(rdvalue(address, detail, cls, type).bits);
        cls = CL_AUTO;
        type = pointee(type);
        detail = 0;
    }
    if (!member.empty()) {
        const MemberList* m = rec->detail ? rec->detail->members : nullptr;
        const LocalRec* field = nullptr;
        for (const LocalRec* l = m ? m->members : nullptr; l && l->name && !field; ++l)
            if (member == l->name) field = l;
        EXPECT_NE(field, nullptr) << text;
        if (!field) return {};
        address = static_cast<uint16_t>(address + field->value);
        type = field->type;
        detail = firstdetail(field);
    }
    return targetnumber(rdvalue(address, detail, cls, type), type);
}

bool infunction(const FuncRec* fn, uint16_t address) {
    if (!fn || !fn->start || address < fn->start->addr) return false;
    for (const DebugEntry* e = fn->start->next; e; e = e->next)
        if (e->kind == DBG_FUNCEND) return address < e->addr;
    return false;
}

void checkstack() {
    for (const FrameNode* f = topframe; f && f->next; f = f->next) {
        RegArg arg = regargof(f->func);
        uint16_t ret = rdword(static_cast<uint16_t>(f->fp + 2 + regargbytes(arg.cls, arg.offset)));
        ASSERT_TRUE(infunction(f->next->func, ret))
            << f->func->name << " returns to " << ret << ", not into " << f->next->func->name;
    }
}

void walkprogram(uint16_t halt, std::vector<std::string>& stops) {
    std::vector<host::Note> notes = host::framesnotes();
    ASSERT_EQ(notes.size(), 9u);
    std::size_t next = 0;
    for (uint64_t n = 0; getpc() != halt; ++n) {
        ASSERT_LT(n, 1000000u) << "no halt";
        ASSERT_EQ(simrun::step(), simrun::Stop::step);
        ASSERT_NO_FATAL_FAILURE(checkstack());
        if (!simrun::atline()) continue;
        EXPECT_TRUE(infunction(topframe->func, getpc()));
        stops.push_back(std::string(topframe->func->name) + ":" + std::to_string(topframe->line) + "/" +
                        std::to_string(simrun::depth()));
        if (std::string(topframe->func->name) != "probe") continue;
        // A probe: its argument says which; the caller's values are the host's.
        ASSERT_LT(next, notes.size());
        const host::Note& note = notes[next++];
        EXPECT_EQ(readexpr(topframe, "id").integer, note.id);
        const FrameNode* caller = topframe->next;
        ASSERT_NE(caller, nullptr);
        EXPECT_EQ(caller->func->name, note.function);
        for (const auto& [expr, value] : note.values) {
            host::Value got = readexpr(caller, expr);
            EXPECT_EQ(got.real, value.real) << "probe " << note.id << " " << expr;
            if (value.real) EXPECT_EQ(got.floating, value.floating) << "probe " << note.id << " " << expr;
            else EXPECT_EQ(got.integer, value.integer) << "probe " << note.id << " " << expr;
        }
    }
    EXPECT_EQ(next, notes.size());
    EXPECT_EQ(topframe, nullptr);  // main has returned
}

void FramesProgramTest::SetUp() {
    ProgramTest::SetUp();
    ASSERT_TRUE(loadprogram("frames", programtext("frames.s"), framestree())) << console.errors;
    ASSERT_EQ(console.errors, "");
    exitaddress = symbol("__halt");
    regs.sp = 0x7FFF;
}

}  // namespace vy
