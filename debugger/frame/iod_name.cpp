#include "debugger/frame/iod_name.h"

#include <cctype>
#include <cstring>

namespace vy {

int IsIodFile(char* name) {
    std::size_t n = 0;
    for (; name[n]; ++n) name[n] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[n])));
    return n >= 5 && std::strcmp(name + n - 4, ".iod") == 0;
}

}  // namespace vy
