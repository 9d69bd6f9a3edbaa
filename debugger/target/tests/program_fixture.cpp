#include "program_fixture.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "ccasm/asm.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"

namespace vy {

std::string assemble(const std::string& source, std::vector<std::string> options) {
    std::vector<std::string> args = {"ccasm"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(source);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    EXPECT_EQ(ccasm::asmmain(static_cast<int>(argv.size()), argv.data()), 0);
    return source.substr(0, source.rfind('.')) + ".o";
}

std::string programtext(const std::string& name) {
    std::ifstream in(std::string(VY_SOURCE_DIR) + "/debugger/target/tests/programs/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_FALSE(text.str().empty()) << name;
    return text.str();
}

bool ProgramTest::loadprogram(const std::string& name, const std::string& code, const progbuild::Program& tree) {
    std::string source = tempfile(name + ".s", code + progbuild::treesource(progbuild::build(tree)) + "\tend\n");
    std::string object = assemble(source, {"-a", "-pl"});
    dbload(object.c_str(), nullptr);
    return !LoadFailed;
}

uint16_t ProgramTest::symbol(const char* name) {
    SymRec* s = rensym(name);
    return s ? static_cast<uint16_t>(s->value) : 0;
}

}  // namespace vy
