#include "two_file_program.h"

namespace vy {

namespace pb = progbuild;

pb::Function function(const std::string& name, uint8_t cls, uint32_t type) {
    pb::Function f;
    f.name = name;
    f.cls = cls;
    f.type = type;
    return f;
}

pb::File file(const std::string& name, std::vector<pb::Function> funcs) {
    pb::File f;
    f.name = name;
    f.funcs = std::move(funcs);
    return f;
}

pb::Program viewprogram() {
    pb::Function helper = function("helper", 1, 9);
    helper.vars = {pb::var("n", 2, 4, 24)};
    pb::Function add = function("add");
    add.vars = {pb::var("a", 2, 4, 24), pb::var("b", 2, 6, 24)};
    pb::Function declared = function("declared");
    declared.hascode = false;
    pb::Program p;
    p.files = {file("main.c", {function("main"), helper}), file("util.c", {add, function(".init"), declared}),
               file("old.c", {function("gone")}), file("old.c", {function("kept")})};
    return p;
}

}  // namespace vy
