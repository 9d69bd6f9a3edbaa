#include "frames_program.h"

#include <vector>

#include "debugger/target/registers.h"

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

void FramesProgramTest::SetUp() {
    ProgramTest::SetUp();
    ASSERT_TRUE(loadprogram("frames", programtext("frames.s"), framestree())) << console.errors;
    ASSERT_EQ(console.errors, "");
    exitaddress = symbol("_exit");
    regs.sp = 0x7FFF;
}

}  // namespace vy
