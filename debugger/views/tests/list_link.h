// A link as it stands in a list text, for the views' tests.
#pragma once

#include <string>

#include "debugger/views/list_text.h"

namespace vy {

inline std::string link(char letter, const std::string& payload) {
    return std::string{LT_LINK, letter} + payload + LT_END;
}

}  // namespace vy
