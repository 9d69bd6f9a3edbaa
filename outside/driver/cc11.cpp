// cc11: the compile command. Runs the passes beside it on each source in
// turn, and links the objects into a program when asked.
//
//   C source (.c):   ccparse -> ccgen -> ccopt -> ccasm -> object (.o)
//   other sources:   ccasm -> object
//   -link:           start-up code, the objects (and .o and library files
//                    given), the runtime library when it is there -> lomar
//
// The runtime library rt11.lib lies beside the driver. Where the build
// could not make it (a tree of programs built for another system), the
// driver makes it at its first link from the sources in rt11/ beside it:
// ccasm on each, then the library, written beside the driver, or for this
// link only where that directory cannot be written.
//
// ccopt runs when it is beside the driver and -no is not given; without it
// ccgen writes plain instructions (-no). Options reach the pass they belong
// to; +p, +g, +o, +a and +l pass one option on to ccparse, ccgen, ccopt,
// ccasm and lomar. The first pass that fails ends the run with its status;
// the intermediate files of a source (.ir, .gs, .os beside its object) are
// removed unless -k is given.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <new>

#include "ccparse/toolkit/toolkit.h"
#include "outside/driver/spawn.h"
#include "outside/lomar/diag.h"
#include "outside/lomar/library.h"

namespace {

const char* const TITLE = "68HC11 C Compiler";

// Files that the driver reads beside itself.
const char* const MACRO_FILE = "macro.h11";
const char* const STARTUP_SOURCE = "start11.s";
const char* const LINK_HEADER = "cc11.lkf";
const char* const RUNTIME_LIBRARY = "rt11.lib";
const char* const RUNTIME_SOURCES = "rt11";

struct Options {
    std::vector<std::string> parse, gen, opt, assemble, link;  // options of each pass
    std::vector<std::string> defines, includes;
    bool debug = false, keep = false, no_opt = false, verbose = false, do_link = false;
    std::string output;
};

enum class Kind { C, ASSEMBLY, OBJECT };

Kind kind_of(const std::string& name) {
    std::string ext;
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && name.find_first_of("/\\", dot) == std::string::npos) ext = name.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".c") return Kind::C;
    if (ext == ".o" || ext == ".lib") return Kind::OBJECT;
    return Kind::ASSEMBLY;
}

bool exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

bool same_file(const std::string& a, const std::string& b) {
    std::error_code ec;
    return a == b || std::filesystem::equivalent(a, b, ec);
}

class Driver {
public:
    Driver(std::string dir, Options opt) : dir_(std::move(dir)), opt_(std::move(opt)) {}

    int run(const std::vector<std::string>& files) {
        size_t sources = 0;
        for (const std::string& f : files) {
            if (kind_of(f) != Kind::OBJECT) ++sources;
            else if (!opt_.do_link) return fail(f, "object files and libraries are only linked (-link)");
            if (opt_.do_link && f.find('"') != std::string::npos) return fail(f, "a file name with '\"' cannot be linked");
        }
        if (!opt_.output.empty() && !opt_.do_link && sources > 1)
            return fail(files[0], "only one source file with -o option");
        std::vector<std::string> objects;  // in the order of the command line
        for (const std::string& f : files) {
            if (kind_of(f) == Kind::OBJECT) {
                objects.push_back(f);
                continue;
            }
            std::string object = !opt_.output.empty() && !opt_.do_link ? opt_.output : lomar::replace_extension(f, ".o");
            if (int status = compile(f, object)) return status;
            objects.push_back(object);
        }
        if (opt_.do_link) return link(files[0], objects);
        return 0;
    }

private:
    std::string dir_;
    Options opt_;

    std::string beside(const std::string& name) const {
        return (std::filesystem::path(dir_) / name).string();
    }

    int fail(const std::string& file, const std::string& message) {
        lomar::Diagnostics d(vy::progname());
        d.error(file, 0, message);
        std::fputs(d.text().c_str(), stderr);
        return 1;
    }

    bool have(const char* pass) const { return exists(beside(std::string(pass) + cc11::EXE_SUFFIX)); }

    // Runs one pass; its status, or 1 after a message when it cannot run.
    int pass(const std::string& file, const char* program, std::vector<std::string> args) {
        if (cc11::interrupted()) return 2;
        std::string path = beside(std::string(program) + cc11::EXE_SUFFIX);
        args.insert(args.begin(), path);
        if (opt_.verbose) std::printf("%s\n", cc11::command_text(args).c_str());
        std::fflush(stdout);
        std::fflush(stderr);
        int status = 0;
        if (!cc11::run_program(path, args, status)) return fail(file, std::string("can't run ") + path);
        if (cc11::interrupted()) return 2;
        return status;
    }

    void remove_all(const std::vector<std::string>& files) const {
        if (opt_.keep) return;
        for (const std::string& f : files) std::remove(f.c_str());
    }

    static void append(std::vector<std::string>& args, const std::vector<std::string>& more) {
        args.insert(args.end(), more.begin(), more.end());
    }

    int compile(const std::string& src, const std::string& object) {
        if (same_file(src, object)) return fail(src, "the object would overwrite the source");
        std::vector<std::string> asm_args = opt_.assemble;
        asm_args.push_back("-i" + dir_);
        if (kind_of(src) != Kind::C) {
            if (opt_.debug) asm_args.push_back("-x");
            asm_args.insert(asm_args.end(), {"-o", object, src});
            return pass(src, "ccasm", asm_args);
        }
        bool optimise = !opt_.no_opt && have("ccopt");
        std::string ir = lomar::replace_extension(object, ".ir");
        std::string generated = lomar::replace_extension(object, ".gs");
        std::string optimised = lomar::replace_extension(object, ".os");
        for (const std::string& t : {ir, generated, optimised})
            if (same_file(src, t)) return fail(src, "the intermediate file " + t + " would overwrite the source");

        std::vector<std::string> made;
        auto step = [&](const char* program, std::vector<std::string> args, const std::string& out) {
            made.push_back(out);
            int status = pass(src, program, std::move(args));
            if (status) remove_all(made);
            return status;
        };
        std::vector<std::string> args = opt_.parse;
        for (const std::string& d : opt_.defines) args.push_back("-d" + d);
        for (const std::string& i : opt_.includes) args.push_back("-i" + i);
        if (opt_.debug) args.push_back("-x");
        args.insert(args.end(), {"-o", ir, src});
        if (int status = step("ccparse", args, ir)) return status;

        if (!have("ccgen")) {
            remove_all(made);
            return fail(src, "can't find " + beside(std::string("ccgen") + cc11::EXE_SUFFIX));
        }
        args = opt_.gen;
        if (!optimise) args.push_back("-no");
        args.insert(args.end(), {"-o", generated, ir});
        if (int status = step("ccgen", args, generated)) return status;

        std::string assembly = generated;
        if (optimise) {
            args = opt_.opt;
            args.insert(args.end(), {"-o", optimised, generated});
            if (int status = step("ccopt", args, optimised)) return status;
            assembly = optimised;
        }
        asm_args.insert(asm_args.end(), {"-o", object, assembly});
        int status = pass(src, "ccasm", asm_args);
        remove_all(made);
        return status;
    }

    int link(const std::string& first, const std::vector<std::string>& objects) {
        std::string program = opt_.output.empty() ? lomar::replace_extension(first, ".h11") : opt_.output;
        std::string script = lomar::replace_extension(program, ".lk~");
        std::string startup = lomar::replace_extension(program, ".st~");
        for (const std::string& o : objects)
            if (same_file(o, program)) return fail(o, "the program would overwrite " + o);
        std::vector<uint8_t> header;
        std::string error;
        if (!lomar::read_file(beside(LINK_HEADER), header, error)) return fail(beside(LINK_HEADER), error);

        int status = pass(first, "ccasm", {"-i" + dir_, "-o", startup, beside(STARTUP_SOURCE)});
        if (status) return status;
        std::string text(header.begin(), header.end());
        if (!text.empty() && text.back() != '\n') text += '\n';
        std::vector<std::string> inputs{startup};
        inputs.insert(inputs.end(), objects.begin(), objects.end());
        std::string library = beside(RUNTIME_LIBRARY), own_library;
        if (!exists(library)) {
            library.clear();
            if ((status = make_runtime_library(first, program, library, own_library))) {
                remove_all({startup});
                return status;
            }
        }
        if (!library.empty()) inputs.push_back(library);
        // A library made for this link only goes in any case.
        auto done = [&](int result) {
            remove_all({startup, script});
            if (!own_library.empty()) std::remove(own_library.c_str());
            return result;
        };
        for (const std::string& in : inputs) {
            if (in.find('"') != std::string::npos) return done(fail(in, "a file name with '\"' cannot be linked"));
            text += "\"" + in + "\"\n";
        }
        if (!lomar::write_file(script, std::vector<uint8_t>(text.begin(), text.end())))
            return done(fail(script, "can't create " + script));
        std::vector<std::string> args = opt_.link;
        args.insert(args.end(), {"-o", program, script});
        return done(pass(first, "lomar", args));
    }

    // Makes the runtime library from the sources in rt11/ beside the driver,
    // when there are any: into `library` beside the driver, or, when that
    // cannot be written, into `own` (also set in `library`) for this link.
    int make_runtime_library(const std::string& first, const std::string& program, std::string& library,
                             std::string& own) {
        std::string dir = beside(RUNTIME_SOURCES);
        std::vector<std::string> sources;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
            if (e.path().extension() == ".s") sources.push_back(e.path().string());
        }
        if (ec || sources.empty()) return 0;  // no runtime library: nothing to add
        std::sort(sources.begin(), sources.end());
        std::string work = lomar::replace_extension(program, ".rt~");
        std::filesystem::create_directories(work, ec);
        if (ec) return fail(work, "can't create " + work);
        std::vector<lomar::LibraryMember> members;
        int status = 0;
        for (const std::string& src : sources) {
            lomar::LibraryMember m;
            m.name = lomar::replace_extension(lomar::base_name(src), ".o");
            std::string object = (std::filesystem::path(work) / m.name).string();
            if ((status = pass(src, "ccasm", {"-i" + dir, "-o", object, src}))) break;
            std::string error;
            if (!lomar::read_file(object, m.bytes, error)) {
                status = fail(object, error);
                break;
            }
            members.push_back(std::move(m));
        }
        std::filesystem::remove_all(work, ec);
        if (status) return status;
        std::vector<uint8_t> image = lomar::write_library(members);
        // Through a file of this run's own, so that links running at the
        // same time never see half a library.
        std::string temp = beside(RUNTIME_LIBRARY) + "." +
                           std::to_string(std::hash<std::string>()(std::filesystem::absolute(work, ec).string()) ^
                                          std::random_device()()) +
                           ".tmp";
        if (lomar::write_file(temp, image)) {
            std::filesystem::rename(temp, beside(RUNTIME_LIBRARY), ec);
            if (!ec) {
                library = beside(RUNTIME_LIBRARY);
                return 0;
            }
            std::remove(temp.c_str());
        }
        own = lomar::replace_extension(program, ".rl~");
        if (!lomar::write_file(own, image)) return fail(first, "can't create " + own);
        library = own;
        return 0;
    }
};

}  // namespace

int main(int argc, char** argv) {
    std::set_new_handler(vy::nomemory);
    vy::version_text = "V1.0";
    std::string dir = cc11::program_directory(argv[0]);
    int debug = 0, keep = 0, no_opt = 0, verbose = 0, do_link = 0;
    const char* output = nullptr;
    vy::OptionList defines(60), includes(60), parse(60), gen(60), opt(60), assemble(60), link(60);
    const vy::OptionDescriptor options[] = {
        {"d*>   define symbol=value", &defines},
        {"i*>   include path", &includes},
        {"k     keep intermediate files", &keep},
        {"link  link into a program", &do_link},
        {"no    do not use the optimizer", &no_opt},
        {"o*    output file name", &output},
        {"v     show the commands", &verbose},
        {"x     output debug info", &debug},
        {"+p*>   option for ccparse", &parse},
        {"+g*>   option for ccgen", &gen},
        {"+o*>   option for ccopt", &opt},
        {"+a*>   option for ccasm", &assemble},
        {"+l*>   option for lomar", &link},
    };
    vy::parse_command_line(argc, argv, TITLE, "files", options);
    cc11::catch_interrupt();
    auto list = [](const vy::OptionList& l) {
        std::vector<std::string> v;
        for (const char* s : l.oldest_first()) v.emplace_back(s ? s : "");
        return v;
    };
    Options o;
    o.defines = list(defines);
    o.includes = list(includes);
    o.parse = list(parse);
    o.gen = list(gen);
    o.opt = list(opt);
    o.assemble = list(assemble);
    o.link = list(link);
    o.debug = debug;
    o.keep = keep;
    o.no_opt = no_opt;
    o.verbose = verbose;
    o.do_link = do_link;
    if (output) o.output = output;
    std::vector<std::string> files(argv, argv + argc);
    if (files.empty()) return 0;
    Driver driver(dir, o);
    return driver.run(files);
}
