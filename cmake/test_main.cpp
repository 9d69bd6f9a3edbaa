// The main program of every test program: runs the tests the command line
// selects and, when every one of them was skipped (an outside tool it needs
// is missing), ends with status 77, which CTest reports as skipped rather
// than passed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleMock(&argc, argv);
    int status = RUN_ALL_TESTS();
    const testing::UnitTest& unit = *testing::UnitTest::GetInstance();
    if (status == 0 && unit.test_to_run_count() > 0 && unit.skipped_test_count() == unit.test_to_run_count())
        return 77;
    return status;
}
