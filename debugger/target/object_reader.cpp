// The object-format readers. Until they read the toolchain's object files,
// such a file is refused like a damaged one and the load is abandoned.
#include "debugger/target/loader.h"
#include "debugger/target/messages.h"
#include "debugger/target/services.h"

namespace vy {

int ldobj(std::FILE* handle, int nocode, uint32_t base, uint32_t dataoffset) {
    dberror({msgtext(MSG_READERROR), " object file"});
    LoadFailed = 1;
    return 0;
}

int ldoldobj(std::FILE* handle, int nocode, uint32_t base, uint32_t dataoffset) {
    return ldobj(handle, nocode, base, dataoffset);
}

}  // namespace vy
