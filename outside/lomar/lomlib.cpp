// lomlib: the librarian. Builds and edits the libraries that lomar reads.
//
//   lomlib [-r] library object...     add objects, replacing members of the same name
//   lomlib -d library member...       delete members
//   lomlib -t [-v] library            list the members (-v: with their public symbols)
//   lomlib -x library [member...]     extract members (all when none is named)
//
// A member is named by its file's base name. The library is rewritten only
// when every file is a sound object and no two members define the same
// public symbol.
#include <cstdio>
#include <filesystem>
#include <new>
#include <unordered_map>

#include "ccasm/tools/objfile.h"
#include "ccparse/toolkit/toolkit.h"
#include "outside/lomar/diag.h"
#include "outside/lomar/library.h"
#include "support/one_line.h"

namespace {

const char* const TITLE = "68HC11 Librarian";

using lomar::LibraryMember;

bool find(const std::vector<LibraryMember>& members, const std::string& name, size_t& index) {
    for (index = 0; index < members.size(); ++index)
        if (members[index].name == name) return true;
    return false;
}

// Public symbols defined twice among the members.
void check_symbols(const std::string& lib, const std::vector<LibraryMember>& members, lomar::Diagnostics& diag) {
    std::unordered_map<std::string, std::string> owner;
    for (const LibraryMember& m : members) {
        objfile::Object obj;
        std::string error;
        if (!objfile::read(m.bytes, obj, error)) continue;
        for (const objfile::Symbol& s : obj.symbols) {
            if ((s.flags & 0x05) != 0x05) continue;
            auto [it, fresh] = owner.emplace(s.name, m.name);
            if (!fresh) diag.error(lib, 0, "symbol " + s.name + " defined in " + it->second + " and " + m.name);
        }
    }
}

// Writes the library through a temporary file, so that a failed write
// leaves the old library whole.
bool save(const std::string& lib, const std::vector<LibraryMember>& members) {
    std::string temp = lib + ".tmp";
    if (!lomar::write_file(temp, lomar::write_library(members))) return false;
    std::error_code ec;
    std::filesystem::rename(temp, lib, ec);
    if (ec) std::remove(temp.c_str());
    return !ec;
}

}  // namespace

int main(int argc, char** argv) {
    std::set_new_handler(vy::nomemory);
    vy::version_text = "V1.0";
    int replace = 0, remove = 0, list = 0, extract = 0, verbose = 0;
    const vy::OptionDescriptor options[] = {
        {"r   add or replace members", &replace},
        {"d   delete members", &remove},
        {"t   list members", &list},
        {"x   extract members", &extract},
        {"v   verbose", &verbose},
    };
    vy::parse_command_line(argc, argv, TITLE, "library [files]", options);
    if (argc == 0) return 0;
    std::string lib = argv[0];
    std::vector<std::string> names(argv + 1, argv + argc);
    lomar::Diagnostics diag(vy::progname());
    if (replace + remove + list + extract > 1) diag.error(lib, 0, "choose one of -r, -d, -t, -x");
    if (!remove && !list && !extract) replace = 1;

    std::vector<LibraryMember> members;
    std::error_code ec;
    bool exists = std::filesystem::exists(lib, ec);
    if (!diag.count() && (exists || !replace)) {
        std::vector<uint8_t> bytes;
        std::string error;
        if (!lomar::read_file(lib, bytes, error) || !lomar::read_library(bytes, members, error))
            diag.error(lib, 0, error);
    }
    if (!diag.count()) {
        if (replace) {
            for (const std::string& file : names) {
                LibraryMember m;
                m.name = lomar::base_name(file);
                std::string error;
                objfile::Object obj;
                if (!lomar::read_file(file, m.bytes, error) || !objfile::read(m.bytes, obj, error)) {
                    diag.error(file, 0, error);
                    continue;
                }
                if (m.name.empty() || m.name.size() > 255) {
                    diag.error(file, 0, "member name longer than 255 characters");
                    continue;
                }
                if (vy::one_line(m.name) != m.name) {
                    diag.error(file, 0, "member name " + m.name + " holds a control character");
                    continue;
                }
                size_t at;
                if (find(members, m.name, at)) members[at] = std::move(m);
                else members.push_back(std::move(m));
            }
            check_symbols(lib, members, diag);
            if (!diag.count() && !save(lib, members)) diag.error(lib, 0, "can't write " + lib);
        } else if (remove) {
            for (const std::string& name : names) {
                size_t at;
                if (find(members, name, at)) members.erase(members.begin() + static_cast<long>(at));
                else diag.error(lib, 0, "no member " + name);
            }
            if (!diag.count() && !save(lib, members)) diag.error(lib, 0, "can't write " + lib);
        } else if (list) {
            // One line a member, whatever bytes a damaged library's names hold.
            for (const LibraryMember& m : members) {
                std::string line = vy::one_line(m.name);
                objfile::Object obj;
                std::string error;
                if (verbose && objfile::read(m.bytes, obj, error)) {
                    line += ":";
                    for (const objfile::Symbol& s : obj.symbols)
                        if ((s.flags & 0x05) == 0x05) line += " " + vy::one_line(s.name);
                }
                std::printf("%s\n", line.c_str());
            }
        } else {
            for (const std::string& name : names) {
                size_t at;
                if (!find(members, name, at)) diag.error(lib, 0, "no member " + name);
            }
            for (const LibraryMember& m : members) {
                bool wanted = names.empty();
                for (const std::string& n : names) wanted = wanted || n == m.name;
                if (!wanted) continue;
                if (m.name.find_first_of("/\\:") != std::string::npos || m.name == "." || m.name == "..") {
                    diag.error(lib, 0, "member name " + m.name + " is not a plain file name");
                    continue;
                }
                if (!lomar::write_file(m.name, m.bytes)) diag.error(m.name, 0, "can't write " + m.name);
            }
        }
    }
    std::fputs(diag.text().c_str(), stderr);
    return diag.count() ? 1 : 0;
}
