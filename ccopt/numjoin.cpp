// The code generator's number joiner, which the rules use to write operands
// such as "#-3" or "_x+1".
#include "ccopt/opt.h"

namespace ccopt {

std::string num_join(std::string_view prefix, std::int32_t number, std::string_view suffix) {
    std::string out(prefix);
    out += std::to_string(number);
    out += suffix;
    return out;
}

}  // namespace ccopt
