// vyrloadbench: times dbload on generated programs with full debug
// information, from 5,000 to 50,000 source lines (ten lines a function, fifty
// functions a file, arguments, locals and called names in every function),
// and prints the time of each and the time per thousand lines, so that a
// step that grows faster than the program shows. Run it from a Release build.
//
//   vyrloadbench [DIRECTORY]   (the programs are written there; default ".")
#include <chrono>
#include <cstdio>
#include <string>

#include "debugger/target/console_services.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/memory.h"
#include "debugger/target/services.h"
#include "debugger/target/tools/program_builder.h"

using namespace vy;
namespace pb = vy::progbuild;

static pb::Program generate(int lines) {
    pb::Program p;
    p.codebase = 0x1000;
    p.linebytes = 1;
    p.members = {{"rec", "rec", {}, 4}};
    pb::Var x, y;
    x.name = "x", x.cls = 0, x.value = 0;
    y.name = "y", y.cls = 0, y.value = 2;
    p.members[0].members = {x, y};
    const int perfunction = 10, perfile = 50;
    int functions = lines / perfunction;
    for (int k = 0; k < functions; ++k) {
        if (k % perfile == 0) {
            pb::File f;
            f.name = "module" + std::to_string(k / perfile) + ".c";
            pb::Var g;
            g.name = "total" + std::to_string(k / perfile);
            g.cls = 6;
            g.value = 0x0100;
            f.globals = {g};
            p.files.push_back(f);
        }
        pb::Function fn;
        fn.name = "function" + std::to_string(k);
        fn.lines = perfunction;
        pb::Var a, b, i, r;
        a.name = "a", a.cls = 7, a.value = 0;
        b.name = "b", b.cls = 2, b.value = 2;
        i.name = "i", i.cls = 3, i.value = 2;
        r.name = "r", r.cls = 3, r.value = 6, r.type = 0x40000048, r.detail = {0}, r.members = "rec";
        fn.vars = {a, b, i, r};
        if (k) fn.called = {"function" + std::to_string(k - 1)};
        fn.refs = {p.files.back().globals[0].name};
        p.files.back().funcs.push_back(fn);
    }
    return p;
}

int main(int argc, char** argv) {
    std::string dir = argc > 1 ? argv[1] : ".";
    ConsoleServices quiet;
    quiet.capture = true;
    setservices(&quiet);
    meminit();
    std::printf("%8s %10s %12s %12s %12s %14s\n", "lines", "load ms", "ms/1k lines", "functions", "line entries",
                "file bytes");
    for (int lines : {5000, 10000, 20000, 30000, 40000, 50000}) {
        pb::Built built = pb::build(generate(lines));
        std::string path = dir + "/loadbench" + std::to_string(lines) + ".o";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) {
            std::fprintf(stderr, "vyrloadbench: can't create %s\n", path.c_str());
            return 1;
        }
        std::fwrite(built.image.data(), 1, built.image.size(), f);
        std::fclose(f);
        double best = 1e9;
        for (int run = 0; run < 3; ++run) {
            auto start = std::chrono::steady_clock::now();
            dbload(path.c_str(), nullptr);
            auto end = std::chrono::steady_clock::now();
            double ms = std::chrono::duration<double, std::milli>(end - start).count();
            if (ms < best) best = ms;
            if (LoadFailed) {
                std::fprintf(stderr, "vyrloadbench: load failed: %s\n", quiet.errors.c_str());
                return 1;
            }
        }
        std::remove(path.c_str());
        // What the load built, to show that nothing was left out.
        int functions = 0, lineentries = 0;
        for (FileRec* file = filelist; morefiles(file); file = file->next)
            for (FuncRec* fn = file->funcs; fn; fn = fn->next) functions += fn->start != nullptr;
        for (DebugEntry* e = debuglist; e; e = e->next) lineentries += e->kind == DBG_LINE;
        std::printf("%8d %10.1f %12.2f %12d %12d %14zu\n", lines, best, best * 1000 / lines, functions, lineentries,
                    built.image.size());
    }
    freedebug(1);
    memclose();
    return 0;
}
