// Wildcard expansion of the file arguments.
#include "ccparse/toolkit/toolkit.h"
#include "ccparse/toolkit/wildcard.h"

#include <cstring>
#include <deque>

namespace vy {

namespace {

// Argument arrays made by expansion live until the program ends.
std::deque<std::string> expanded_names;
std::deque<std::vector<char*>> expanded_arrays;

constexpr std::size_t max_arguments = 128;

}  // namespace

void expandwild(int& argc, char**& argv) {
    std::vector<char*> words;
    bool any_pattern = false;
    auto add = [&](char* word) {
        words.push_back(word);
        if (words.size() >= max_arguments) toomanynames();
    };
    for (int i = 0; i < argc; ++i) {
        char* word = argv[i];
        if (!std::strpbrk(word, "*?")) {
            add(word);
            continue;
        }
        any_pattern = true;
        std::string pattern = word;
        // The search yields bare names; keep the pattern's directory in front
        // of them so that "src/*.c" names files that can be opened.
        auto slash = pattern.find_last_of("/\\");
        std::string directory = slash == std::string::npos ? std::string() : pattern.substr(0, slash + 1);
        for (std::string name : wildcard_search(pattern)) {
#ifdef _WIN32
            // Names on Windows are case-blind; the tools work in lower case.
            for (char& c : name)
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
#endif
            add(expanded_names.emplace_back(directory + name).data());
        }
    }
    if (!any_pattern) return;
    auto& array = expanded_arrays.emplace_back(std::move(words));
    argc = static_cast<int>(array.size());
    array.push_back(nullptr);
    argv = array.data();
}

}  // namespace vy
