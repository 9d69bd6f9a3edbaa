#include "ccgen/tests/gen_harness.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "ccopt/opt.h"
#include "ccparse/toolkit/tests/tool_harness.h"

namespace vytest {

namespace fs = std::filesystem;

GenRun run_gen(const TempDir& dir, std::vector<std::string> args) {
    GenRun run;
    std::string output;
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "-o") output = args[i + 1];
    args.insert(args.begin(), "ccgen");
    Args argv(args);
    fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    {
        ToolHarness harness("ccgen");
        try {
            run.status = ccgen::code_generator_main(argv.argc(), argv.argv());
        } catch (const vy::ToolExit& exit) {
            run.status = exit.status;
        }
        run.errors = harness.errors();
    }
    fs::current_path(previous);
    if (!output.empty() && dir.exists(output)) {
        run.output_exists = true;
        run.asm_text = lf_lines(dir.read(output));
    }
    return run;
}

GenRun generate(const std::vector<std::uint8_t>& ir, std::vector<std::string> options) {
    TempDir dir;
    dir.write("t.ir", std::string(ir.begin(), ir.end()));
    options.push_back("t.ir");
    GenRun run;
    {
        StdoutCapture into(dir.file("t.s"));
        run = run_gen(dir, options);
    }
    run.output_exists = true;
    run.asm_text = lf_lines(dir.read("t.s"));
    return run;
}

ChainRun compile_and_generate(const std::string& source, std::vector<std::string> front_options,
                              std::vector<std::string> gen_options) {
    ChainRun run;
    run.front = compile(source, front_options);
    if (run.front.status != 0 || !run.front.output_exists) return run;
    std::vector<std::uint8_t> ir(run.front.output.begin(), run.front.output.end());
    run.gen = generate(ir, gen_options);
    return run;
}

std::string optimise(const std::string& asm_text, std::string& errors) {
    TempDir dir;
    dir.write("t.gs", asm_text);
    fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    int status;
    {
        ToolHarness harness("ccopt");
        Args argv({"ccopt", "-o", "t.os", "t.gs"});
        try {
            status = ccopt::optmain(argv.argc(), argv.argv());
        } catch (const vy::ToolExit& exit) {
            status = exit.status;
        }
        errors = harness.errors();
    }
    fs::current_path(previous);
    if (status != 0) errors += "status " + std::to_string(status) + "\n";
    return dir.exists("t.os") ? lf_lines(dir.read("t.os")) : std::string();
}

std::string engine_text(const std::function<void(ccgen::Gen&)>& body, ccgen::Options options) {
    ToolHarness harness("ccgen");
    ccgen::Gen g;
    g.opt = options;
    ccgen::init_sections(g);
    ccgen::init_reader(g);
    ccgen::init_operand(g.zero, 2, 0, ccgen::REG_NONE, 0);
    std::FILE* f = std::tmpfile();
    g.out.file = f;
    body(g);
    ccgen::out_flush(g);
    std::fflush(f);
    std::rewind(f);
    std::string text;
    char buf[512];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    return text;
}

std::vector<std::string> body_lines(const std::string& asm_text) {
    std::vector<std::string> lines;
    std::istringstream in(asm_text);
    std::string line;
    while (std::getline(in, line)) {
        if (line == "\tinclude\t\"macro.h11\"" || line == "\tend") continue;
        lines.push_back(line);
    }
    return lines;
}

}  // namespace vytest
