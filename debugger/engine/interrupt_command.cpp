// The interrupt command: requests a simulated interrupt by its vector
// address or its name.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "debugger/engine/commands.h"
#include "debugger/engine/handlers.h"
#include "debugger/engine/scan.h"
#include "debugger/target/interrupts.h"
#include "debugger/target/services.h"

namespace vy {

const char* dointerrupt(const char* text, int arg) {
    const char* p = skipblanks(text);
    if (*p == '@') {
        const char* q = skipblanks(p + 1);
        const char* digits = q;
        if (q[0] == '0' && (q[1] == 'x' || q[1] == 'X')) digits = q + 2;
        char* end = nullptr;
        unsigned long vector = std::isxdigit(static_cast<unsigned char>(*digits)) ? std::strtoul(digits, &end, 16) : 0;
        if (!end) {
            dberror({"Missing Interrupt number: ", q, "\n"});
            return CMD_END;
        }
        if (vector > 0xFFFF || !raiseint(static_cast<uint32_t>(vector), nullptr, 0)) {
            dberror({"Unknown Interrupt Vector: ", std::string(q, static_cast<const char*>(end)), "\n"});
        }
        return skipblanks(end);
    }
    std::string name(p, std::strcspn(p, ";}"));
    while (!name.empty() && isblankbyte(name.back())) name.pop_back();
    if (raiseint(0, name.c_str(), 1)) return CMD_END;
    dberror({"Unknown Interrupt: ", name, "\n"});
    return stmtend(p);
}

}  // namespace vy
