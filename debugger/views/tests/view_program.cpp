#include "view_program.h"

#include "debugger/target/load_driver.h"

namespace vy {

namespace pb = progbuild;

bool ViewProgramTest::load(const pb::Program& program) {
    built = pb::build(program);
    dbload(tempfile("view.o", built.image).c_str(), nullptr);
    return console.errors.empty();
}

bool ViewProgramTest::loadviewprogram() { return load(viewprogram()); }

uint16_t ViewProgramTest::startof(const std::string& name) const {
    for (const pb::Placed& p : built.funcs)
        if (p.name == name) return p.start;
    ADD_FAILURE() << "no function " << name;
    return 0;
}

}  // namespace vy
