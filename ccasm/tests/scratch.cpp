#include "ccasm/tests/asm_fixture.h"
TEST_F(AsmTest, Scratch) {
    AsmRun r = assemble(
        "start:\tldaa\t#1\n"
        "\tldd\t#1\n"
        "\tldaa\t0,y\n"
        "\tldaa\t,x\n"
        "\tldaa\t300\n"
        "\tldaa\t<300\n"
        "\tbeq\tstart\n"
        "\tjmp\tfar\n"
        "\tds\t10\n"
        "far:\tnop\n"
        "\tbset\t0x20,#0x81\n"
        "\tbrset\t0x10,y,#0x80,far\n");
    std::printf("status %d\n%s\n", r.status, r.diagnostics.c_str());
    std::printf("%s", objfile::dump(r.obj).c_str());
}
