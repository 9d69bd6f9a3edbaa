// dremo: the debug-information examiner. The source files of a linked
// program with their lines, and each file's functions with their start
// address, declaration and lines, as the debugger's loader reads them.
//
//   dremo [-fl file]... [-fc function]... [-o report] program
//
// -fl keeps only the files named (by their name or its last part), -fc only
// the functions named.
#include <cstdio>
#include <new>
#include <string>

#include "ccparse/toolkit/toolkit.h"
#include "debugger/target/console_services.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/memory.h"
#include "debugger/target/output.h"
#include "outside/posttools/posttool.h"

namespace {

bool listed(const vy::OptionList& list, const std::string& name) {
    if (list.size() == 0) return true;
    std::string base = name.substr(name.find_last_of("/\\:") + 1);
    for (const char* item : list.oldest_first()) {
        std::string want = item ? item : "";
        if (want == name || want == base) return true;
    }
    return false;
}

std::string lines(uint32_t first, uint32_t last) { return std::to_string(first) + "-" + std::to_string(last); }

}  // namespace

int main(int argc, char** argv) {
    std::set_new_handler(vy::nomemory);
    vy::version_text = "V1.0";
    const char* output = nullptr;
    vy::OptionList files(256), functions(256);
    const vy::OptionDescriptor options[] = {
        {"fl*> file to show", &files},
        {"fc*> function to show", &functions},
        {"o*   output file name", &output},
    };
    vy::parse_command_line(argc, argv, "68HC11 Debug Information Examiner", "program", options);
    std::string path;
    objfile::Object obj;
    if (!posttool::read_program(argc, argv, path, obj)) return 1;

    // The debugger's loader, without the memory image and with its
    // messages kept for the error line.
    vy::ConsoleServices services;
    services.capture = true;
    vy::setservices(&services);
    vy::meminit();
    vy::loadimage = 0;
    vy::dbload(path.c_str(), nullptr);
    if (vy::LoadFailed) {
        std::string message = services.errors.substr(0, services.errors.find('\n'));
        return posttool::error(path, message.empty() ? "can't read the debug information" : message);
    }
    std::string report = "program " + path + "\n";
    for (vy::FileRec* f = vy::filelist; vy::morefiles(f); f = f->next) {
        if (!listed(files, f->name)) continue;
        report += "file " + std::string(f->name) + " lines " + lines(f->firstline, f->lastline) + "\n";
        // The last record of a file's chain holds its variables only.
        for (vy::FuncRec* fn = f->funcs; fn && fn->next; fn = fn->next) {
            if (fn->name[0] == '.' || !listed(functions, fn->name)) continue;
            std::string where = fn->start ? vy::hexaddr(fn->start->addr) : std::string("-------");
            report += "  function " + std::string(fn->name) + " at " + where + " " +
                      (fn->signature ? fn->signature : "") + fn->name + "(" + (fn->argtext ? fn->argtext : "") +
                      ") lines " + lines(fn->firstline, fn->lastline) + "\n";
        }
    }
    vy::memclose();
    return posttool::put_output(output ? output : "", report, path) ? 0 : 1;
}
