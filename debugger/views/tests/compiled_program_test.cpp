// The browsers and the symbol list on a program of two C files built by
// cc11 -x -link with the compiler's passes, the start-up code and the
// runtime library, then loaded as the debugger loads it. The addresses are
// checked against the linker's symbols.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "debugger/frame/text_buffer.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/output.h"
#include "debugger/target/symbols.h"
#include "debugger/target/tests/target_fixture.h"
#include "debugger/views/browser_text.h"
#include "debugger/views/list_text.h"
#include "debugger/views/symbol_list.h"

namespace vy {
namespace {

class CompiledProgram : public TargetTest {
protected:
    // Built once for the suite, loaded for each test.
    static void SetUpTestSuite() {
        namespace fs = std::filesystem;
        dir = fs::temp_directory_path() / ("vyviews_compiled_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        std::ofstream(dir / "main.c") << "int total;\n"
                                         "int add(int a, int b);\n"
                                         "static char twice(char c) { return c + c; }\n"
                                         "int main(void)\n{\n    total = add(2, 3);\n    return twice(total);\n}\n";
        std::ofstream(dir / "util.c") << "int add(int a, int b)\n{\n    return a + b;\n}\n"
                                         "long scale(long v, unsigned char k)\n{\n    return v * k;\n}\n";
        std::string command = "cd '" + dir.string() + "' && '" + std::string(VY_BIN_DIR) +
                              "/cc11' -x -link -o prog.h11 main.c util.c >cc.out 2>cc.err";
        built = std::system(command.c_str()) == 0;
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(dir); }
    void SetUp() override {
        TargetTest::SetUp();
        ASSERT_TRUE(built) << "cc11 failed in " << dir;
        dbload((dir / "prog.h11").string().c_str(), nullptr);
        ASSERT_EQ(console.errors, "");
    }
    static std::string at(const char* symbol) { return hexaddr(rensym(symbol)->value); }

    static inline std::filesystem::path dir;
    static inline bool built = false;
};

TEST_F(CompiledProgram, TheSavedListsHoldEachFileAndFunction) {
    EXPECT_EQ(savedfilelist(), "\n\t\tFiles List\n\n\tutil.c\n\tmain.c\n");
    std::string functions = savedfunctionlist();
    std::string utilpart = "\n\tFunctions in file: util.c\n"
                           "\textern int add(int  a, int  b) at " + at("_add") + "\n\n"
                           "\textern long scale(long  v, unsigned char  k) at " + at("_scale") + "\n\n";
    std::string heading = "\n\t\tFunction List\n\n";
    EXPECT_EQ(functions.substr(0, heading.size() + utilpart.size()), heading + utilpart);
    EXPECT_NE(functions.find("\n\tFunctions in file: main.c\n\tstatic signed char twice(signed char  c) at 0x"),
              std::string::npos) << functions;
    EXPECT_NE(functions.find("\n\n\textern int main() at " + at("_main") + "\n\n"), std::string::npos) << functions;
}

TEST_F(CompiledProgram, TheWindowsTextsLinkFilesAndFunctions) {
    TextBuf buf;
    ASSERT_TRUE(fillfilebrowser(buf));
    EXPECT_EQ(plaintext(buf.text()), "\n         util.c         \n         main.c         \n\n");
    ASSERT_TRUE(fillfunctionbrowser(buf, "main.c"));
    std::string main = std::string(textline(buf.text(), 4));
    EXPECT_EQ(plaintext(main), " (on)   extern int main() at " + at("_main"));
    EXPECT_EQ(linkat(main, 20), "Emain");
    EXPECT_EQ(functionlinkname(main), "main");

    ASSERT_TRUE(fillsymbols(buf, nameorder()));
    std::string symbols = plaintext(buf.text());
    EXPECT_NE(symbols.find("  " + hexfield(rensym("_main")->value, 4) + "  _main in segment text"), std::string::npos)
        << symbols;
    EXPECT_EQ(symbols.find(".time"), std::string::npos);
}

}  // namespace
}  // namespace vy
