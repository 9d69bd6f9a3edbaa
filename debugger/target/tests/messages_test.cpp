#include <string>

#include "debugger/target/messages.h"
#include "debugger/target/services.h"
#include "target_fixture.h"

namespace vy {
namespace {

using MessageTest = TargetTest;

TEST_F(MessageTest, NumbersFindTheirTextsAndAMissingOneShowsItsNumber) {
    EXPECT_STREQ(msgtext(MSG_READERROR), "read error");
    EXPECT_STREQ(msgtext(MSG_LINEPREFIX), "L");
    EXPECT_STREQ(msgtext(9999), " **** Err 9999 ****");
    msgout(4);
    EXPECT_EQ(console.errors, " **** Err 4 ****\n");
}

}  // namespace
}  // namespace vy
