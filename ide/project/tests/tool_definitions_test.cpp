// The tool definitions and the library tables read from DEFS11.OPT.
#include "ide/project/project_text.h"
#include "ide/project/tool_definitions.h"
#include "project_fixture.h"

namespace {

const char* const commands =
    "[Compiler]\nCmd=cc11 -x\n[Assembler]\nCmd=ccasm\n[Tesk]\nCmd=tesk\n[Dremo]\nCmd=dremo\n"
    "[Norvik]\nCmd=norvik\n[Pirn]\nCmd=pirn\n";

class ToolDefinitionsTest : public vesk_test::ProjectFixture {
protected:
    int load(const std::string& text) {
        write("DEFS11.OPT", text);
        frame.messages.clear();
        return vesk::LoadToolDefinitions((dir / "").string());
    }
};

TEST_F(ToolDefinitionsTest, CommandsFillTheDefaultRecord) {
    ASSERT_EQ(load(std::string(commands) + "[Libs]\nDir=c:\\lib\n[DEFLIBS]\n1=rt11.lib\n"), 1);
    const vesk::ProjectRecord& d = vesk::default_project();
    EXPECT_EQ(d.Compiler.Cmd, "cc11 -x");
    EXPECT_EQ(d.Pirn.Cmd, "pirn");
    EXPECT_EQ(d.Flags, 1);
    EXPECT_EQ(vesk::current_project(), &d);
    EXPECT_NE(vesk::options_of<vesk::LinkSettings>(d.Linker), nullptr);
    EXPECT_EQ(vesk::real_project(), nullptr);
}

// Each section missing in turn: its message after the ones before it were
// accepted, and nothing after it is read.
TEST_F(ToolDefinitionsTest, TheFirstMissingCommandEndsTheReading) {
    struct Missing {
        const char* section;
        const char* message;
    } rows[] = {
        {"[Compiler]\nCmd=cc11 -x\n", " Missing Compiler Definition "},
        {"[Assembler]\nCmd=ccasm\n", " Missing Assembler Definition "},
        {"[Tesk]\nCmd=tesk\n", " Missing TESK Definition "},
        {"[Dremo]\nCmd=dremo\n", " Missing DREMO Definition "},
        {"[Norvik]\nCmd=norvik\n", " Missing NORVIK Definition "},
        {"[Pirn]\nCmd=pirn\n", " Missing PIRN Definition "},
    };
    for (const Missing& m : rows) {
        SCOPED_TRACE(m.message);
        std::string text = commands;
        text.erase(text.find(m.section), std::string(m.section).size());
        vesk::default_project() = {};
        EXPECT_EQ(load(text + "[Libs]\n1=x\n"), 0);
        EXPECT_EQ(frame.messages, std::vector<std::string>{std::string("Error: ") + m.message});
        EXPECT_EQ(vesk::default_project().Flags, 0);
    }
}

TEST_F(ToolDefinitionsTest, NorvikMissingKeepsTheFourBeforeIt) {
    std::string text = commands;
    text.erase(text.find("[Norvik]"), std::string("[Norvik]\nCmd=norvik\n").size());
    EXPECT_EQ(load(text), 0);
    EXPECT_EQ(frame.messages, std::vector<std::string>{"Error:  Missing NORVIK Definition "});
    const vesk::ProjectRecord& d = vesk::default_project();
    EXPECT_EQ(d.Dremo.Cmd, "dremo");
    EXPECT_EQ(d.Pirn.Cmd, "");
    EXPECT_EQ(vesk::LibDir, "");
}

TEST_F(ToolDefinitionsTest, LibraryTables) {
    ASSERT_EQ(load(std::string(commands) +
                   "[Libs]\nDir=c:\\lib\n1=Small\n2=Banked\n3=\n4=Never\n"
                   "[Small]\n1=mylib a description\n2=other.lib\n[Banked]\n"
                   "[DEFLIBS]\n1=l1\n2=l2\n3=l3\n4=l4\n5=l5\n6=l6\n7=l7\n8=l8\n9=l9\n10=l10\n"),
              1);
    EXPECT_EQ(vesk::DefinitionsText(),
              "Compiler: cc11 -x\nAssembler: ccasm\nTesk: tesk\nDremo: dremo\nNorvik: norvik\nPirn: pirn\n"
              "LibDir: c:\\lib\nLibModelCount: 2\n"
              "Model Small: 2 item(s)\nModel Small[0]: mylib a description\nModel Small[1]: other.lib\n"
              "Model Banked: 0 item(s)\n"
              "DefaultLibs: 9 item(s)\nDefaultLibs[0]: l1\nDefaultLibs[1]: l2\nDefaultLibs[2]: l3\n"
              "DefaultLibs[3]: l4\nDefaultLibs[4]: l5\nDefaultLibs[5]: l6\nDefaultLibs[6]: l7\n"
              "DefaultLibs[7]: l8\nDefaultLibs[8]: l9\n"
              "Insert: \"c:\\lib\\l1\"\\r\nInsert: \"c:\\lib\\l2\"\\r\nInsert: \"c:\\lib\\l3\"\\r\n"
              "Insert: \"c:\\lib\\l4\"\\r\nInsert: \"c:\\lib\\l5\"\\r\nInsert: \"c:\\lib\\l6\"\\r\n"
              "Insert: \"c:\\lib\\l7\"\\r\nInsert: \"c:\\lib\\l8\"\\r\nInsert: \"c:\\lib\\l9\"\\r\n");
    EXPECT_EQ(vesk::LibraryLine("mylib a description"), "\"c:\\lib\\mylib\"\r");
    EXPECT_EQ(vesk::LibraryLine("other.lib"), "\"c:\\lib\\other.lib\"\r");
}

// After 9 come ':' and ';': a list goes on there, never at "10".
TEST_F(ToolDefinitionsTest, NumberedKeysAreSingleCharacters) {
    ASSERT_EQ(load(std::string(commands) + "[Libs]\nDir=d\n[DEFLIBS]\n1=a\n2=b\n3=c\n4=d\n5=e\n6=f\n7=g\n8=h\n9=i\n:=j\n"),
              1);
    EXPECT_EQ(vesk::DefaultLibs.size(), 10u);
    EXPECT_EQ(vesk::DefaultLibs.back(), "j");
}

TEST_F(ToolDefinitionsTest, LibraryMessages) {
    EXPECT_EQ(load(std::string(commands) + "[Libs]\n1=Small\n[DEFLIBS]\n1=a\n"), 0);
    EXPECT_EQ(frame.messages, std::vector<std::string>{"Error: Missing Lib def"});
    EXPECT_EQ(load(std::string(commands) + "[Libs]\nDir=d\n[DEFLIBS]\n2=a\n"), 0);
    EXPECT_EQ(frame.messages, std::vector<std::string>{"Error: MISSING DEFAULT LIBS SPECIFICATION"});
}

TEST_F(ToolDefinitionsTest, AMissingFileGivesTheFirstMessage) {
    frame.messages.clear();
    EXPECT_EQ(vesk::LoadToolDefinitions((dir / "nowhere" / "").string()), 0);
    EXPECT_EQ(frame.messages, std::vector<std::string>{"Error:  Missing Compiler Definition "});
}

}  // namespace
