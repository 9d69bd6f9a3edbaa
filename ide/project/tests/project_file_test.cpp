// The project file: every section and key, the value forms and their
// defaults, the numbering of the lists, saving that loses nothing, and
// files written by hand or damaged.
#include <chrono>

#include "ide/project/profile.h"
#include "ide/project/project_file.h"
#include "ide/project/project_text.h"
#include "project_fixture.h"

namespace {

using vesk::ProjectRecord;

// A project that sets every field the file keeps.
ProjectRecord* rich_project() {
    ProjectRecord* p = vesk::NewProjectRecord();
    p->Untitled = 0;
    p->Name = "demo";
    p->Description = "A demonstration";
    p->ExecName = "demo.h11";
    p->IncPath = "inc;..\\common";
    p->ObjPath = "obj";
    p->DefsChanged = 3000000000u;
    p->Assembler = {0, "ccasm", "", "-l -x", {}};
    p->Compiler = {0, "cc11 -x", "", "+p-ck", {}};
    p->Linker.Cmd = "lomar";
    vesk::LinkSettings& l = vesk::linksettings(*p);
    l = {1, 0, 1, 1, 0x4000, "demo.h11", "demo.lkf", "demo.map", "", "rt11.lib", "lib;lib2"};
    p->Debug = {"vyrdbg", "-s demo"};
    p->Debug1 = {"other", ""};
    p->Tesk = {0, "tesk -h", "report.txt", "", {}};
    p->Dremo.Cmd = "dremo";
    p->Dremo.specifics = vesk::DremoOptions{"", {"main.c", "util.c"}, {"main"}};
    p->Pirn.specifics = vesk::PirnOptions{'i', 1, 'n', 1, "0x8000", "", "0x8000", "16", "", "demo.hex", {"text", "const"}};
    p->Norvik.specifics = vesk::NorvikOptions{1, 0, 1, 2, ".ls", ".la", "list"};
    p->Tovan.specifics = vesk::TovanOptions{1, 0, 2, 0, 1, 1, "demo.695", "small"};
    p->BuilderTesk = {1, "tesk", "", "", {}};
    p->BuilderDremo = {0, "dremo", "", "", vesk::DremoOptions{"dremo.txt", {}, {}}};
    p->BuilderPirn = {1, "", "", "", vesk::PirnOptions{'m', 0, 0, 0, "", "", "", "", "", "", {}}};
    p->BuilderNorvik = {0, "", "", "", vesk::NorvikOptions{0, 1, 0, 3, "", "", ""}};
    p->BuilderTovan = {1, "", "", "", {}};
    p->User1 = {1, "filter1 demo.h11", "", "", {}};
    p->User2 = {0, "", "", "", {}};
    p->Defines = {"A", "B=2"};
    p->Docs = {"readme.txt", "notes.txt"};
    vesk::ProjectFile main;
    main.FileName = "main.c";
    main.Kind = vesk::KIND_C;
    main.DefsChanged = 1700000000;
    main.Defines = {"A", "B"};
    main.Docs = {"main.txt"};
    main.Group = "core";
    p->Files.push_back(main);
    vesk::ProjectFile start;
    start.FileName = "start.s";
    start.Kind = vesk::KIND_ASM;
    start.CompCmd = "ccasm -x";
    start.UserFlags = "-l";
    p->Files.push_back(start);
    vesk::ProjectFile link;
    link.FileName = "demo.lkf";
    link.Kind = vesk::KIND_LINK;
    p->Files.push_back(link);
    p->FileCount = 3;
    return p;
}

class ProjectFileTest : public vesk_test::ProjectFixture {
protected:
    ProjectRecord* load(const std::string& name) {
        ProjectRecord* old = vesk::current_project();
        ProjectRecord* p = vesk::LoadProject(path(name));
        vesk::FreeProject(old);
        return p;
    }
    std::string key(const std::string& file, const std::string& section, const std::string& k) {
        return vesk::portable_profile.read(path(file), section, k);
    }
    std::string keys(const std::string& file, const std::string& section) {
        std::string out;
        for (const std::string& k : vesk::portable_profile.keys(path(file), section)) out += k + " ";
        return out;
    }
    // Loaded from a file of `text`.
    ProjectRecord* load_text(const std::string& text) {
        write("t.prj", text);
        return load("t.prj");
    }
};

TEST_F(ProjectFileTest, SaveThenLoadGivesTheSameRecords) {
    ProjectRecord* p = rich_project();
    vesk::set_current_project(p);
    std::string before = vesk::ProjectText(*p);
    ASSERT_TRUE(vesk::SaveProject(path("demo.prj")));
    ProjectRecord* q = load("demo.prj");
    // What the file does not keep: the path, and whether files exist.
    std::string after = vesk::ProjectText(*q);
    EXPECT_EQ(after, before);
    EXPECT_EQ(q->FileCount, 3);
    EXPECT_TRUE(frame.messages.empty());
    EXPECT_EQ(frame.filetypes, std::vector<int>{324});
}

// The file as this writer makes it: sections and keys in table order.
TEST_F(ProjectFileTest, SavingWritesTheTablesInOrder) {
    vesk::set_current_project(rich_project());
    ASSERT_TRUE(vesk::SaveProject(path("demo.prj")));
    EXPECT_EQ(read("demo.prj"), read(VY_SOURCE_DIR "/ide/project/tests/data/demo.prj"));
}

// A file that the native test tool wrote (and printed): the side in use
// reads the same records from it and saves them back to a file that reads
// to the same records again.
TEST_F(ProjectFileTest, AWrittenFileLoadsAndSavesBack) {
    write("demo.prj", read(VY_SOURCE_DIR "/ide/project/tests/data/demo.prj"));
    std::string expected = read(VY_SOURCE_DIR "/ide/project/tests/data/demo.txt");
    ProjectRecord* p = load("demo.prj");
    EXPECT_EQ(vesk::ProjectText(*p), expected);
    ASSERT_TRUE(vesk::SaveProject(path("again.prj")));
    EXPECT_EQ(vesk::ProjectText(*load("again.prj")), expected);
}

TEST_F(ProjectFileTest, ValueForms) {
    ProjectRecord* p = vesk::NewProjectRecord();
    vesk::set_current_project(p);
    vesk::linksettings(*p).BankSize = 4096;
    p->Pirn.specifics = vesk::PirnOptions{};
    p->BuilderPirn.specifics = vesk::PirnOptions{'q', 0, 'x', 0, "", "", "", "", "", "", {}};
    ASSERT_TRUE(vesk::SaveProject(path("f.prj")));
    EXPECT_EQ(key("f.prj", "Linker", "BankSize"), "1000");
    EXPECT_EQ(key("f.prj", "Linker", "BankSpec"), "NO");
    EXPECT_EQ(key("f.prj", "Pirn", "Format"), "");
    EXPECT_EQ(key("f.prj", "Pirn", "Paginated"), "OFF");
    EXPECT_EQ(key("f.prj", "Builder.Pirn", "Paginated"), "Standard");
    ProjectRecord* q = load("f.prj");
    EXPECT_EQ(vesk::linksettings(*q).BankSize, 4096u);
    // A format of 0 comes back as 'm', a page style other than 'n' and 'p' as 's'.
    EXPECT_EQ(vesk::options_of<vesk::PirnOptions>(q->Pirn)->Format, 'm');
    EXPECT_EQ(vesk::options_of<vesk::PirnOptions>(q->BuilderPirn)->Paginated, 's');
    EXPECT_EQ(vesk::options_of<vesk::PirnOptions>(q->BuilderPirn)->Format, 'q');
}

TEST_F(ProjectFileTest, ValuesReadFromHandWrittenFiles) {
    struct Row {
        const char* value;
        char paginated;
    } pages[] = {{"Standard", 's'}, {"OFF", 0}, {"yes", 's'}, {"Noral", 'n'}, {"promic", 'p'}, {"zzz", 0}, {"", 0}};
    for (const Row& r : pages) {
        SCOPED_TRACE(r.value);
        ProjectRecord* p = load_text(std::string("[Pirn]\nSPECIFICS=YES\nPaginated=") + r.value + "\n");
        const vesk::PirnOptions* o = vesk::options_of<vesk::PirnOptions>(p->Pirn);
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(o->Paginated, r.paginated);
        EXPECT_EQ(o->Format, 'm');
    }
    ProjectRecord* p = load_text(
        "[Linker]\nBankSpec=yes\n[Norvik]\nSPECIFICS=y\nPaging=YES\n[Tovan]\nSPECIFICS=Y\nPaged=y\n"
        "[Builder.Tovan]\nSPECIFICS=YES\nPaged=2\n[Builder.Norvik]\nSPECIFICS=NO\nPaging=3\n[Dremo]\nSPECIFICS=N\n");
    EXPECT_EQ(vesk::linksettings(*p).BankSpec, 1u);
    EXPECT_EQ(vesk::linksettings(*p).BankSize, 0u);
    EXPECT_EQ(vesk::options_of<vesk::NorvikOptions>(p->Norvik)->Paging, static_cast<std::uint32_t>('Y' - '0'));
    EXPECT_EQ(vesk::options_of<vesk::TovanOptions>(p->Tovan)->Paged, 1u);
    EXPECT_EQ(vesk::options_of<vesk::TovanOptions>(p->BuilderTovan)->Paged, 2u);
    EXPECT_EQ(vesk::options_of<vesk::NorvikOptions>(p->BuilderNorvik), nullptr);
    EXPECT_EQ(vesk::options_of<vesk::DremoOptions>(p->Dremo), nullptr);
}

TEST_F(ProjectFileTest, ListsAndTheirNumbering) {
    ProjectRecord* p = load_text(
        "[Files]\n1=a.c\n2=b.s\n4=d.c\n[FILE2OPTS]\nNbDefines=2\nDEF1=Y\nNbDocs=1\nDOC0=b.txt\n"
        "[PROJ_DOCS]\nNbDocs=3\nDOC0=zero\nDOC2=two\n[PROJ_DEFINES]\nNumber=4\n1=A\n2=B\n4=D\n"
        "[Dremo]\nSPECIFICS=YES\nNbFiles=2\nFILE1=x.c\nNbFuncs=0\n");
    ASSERT_EQ(p->Files.size(), 2u);
    EXPECT_EQ(p->FileCount, 2);
    EXPECT_EQ(p->Files.back().FileName, "b.s");
    EXPECT_EQ(p->Files.back().Kind, vesk::KIND_ASM);
    EXPECT_EQ(p->Files.back().Defines, (std::vector<std::string>{"", "Y"}));
    EXPECT_EQ(p->Files.back().Docs, std::vector<std::string>{"b.txt"});
    EXPECT_EQ(p->Docs, std::vector<std::string>{"two"});
    EXPECT_EQ(p->Defines, (std::vector<std::string>{"A", "B"}));
    const vesk::DremoOptions* d = vesk::options_of<vesk::DremoOptions>(p->Dremo);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Files, (std::vector<std::string>{"", "x.c"}));
    EXPECT_TRUE(d->Functions.empty());

    vesk::ProjectRecord* s = vesk::NewProjectRecord();
    vesk::set_current_project(s);
    vesk::FreeProject(p);
    s->Defines = {"A", "B"};
    s->Files.emplace_back().FileName = "main.c";
    s->Files.back().Defines = {"A", "B"};
    ASSERT_TRUE(vesk::SaveProject(path("lists.prj")));
    std::string text = read("lists.prj");
    EXPECT_NE(text.find("[PROJ_DEFINES]\r\nNumber=2\r\n1=A\r\n2=B\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Files]\r\n1=main.c\r\n[FILE1OPTS]\r\nFileName=main.c\r\nDefsChanged=0\r\n"
                        "NbDefines=2\r\nDEF0=A\r\nDEF1=B\r\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("PROJ_DOCS"), std::string::npos);
}

TEST_F(ProjectFileTest, ToolsWithoutOptionRecords) {
    vesk::set_current_project(vesk::NewProjectRecord());
    vesk::current_project()->Pirn.Cmd = "pirn";
    ASSERT_TRUE(vesk::SaveProject(path("t.prj")));
    EXPECT_EQ(keys("t.prj", "Pirn"), "");
    EXPECT_EQ(keys("t.prj", "Norvik"), "");
    EXPECT_EQ(keys("t.prj", "Builder.Pirn"), "Exec SPECIFICS ");
    EXPECT_EQ(key("t.prj", "Builder.Pirn", "SPECIFICS"), "NO");
    EXPECT_EQ(keys("t.prj", "Dremo"), "Cmd SPECIFICS ");
    // A hand-written [Pirn] Cmd is read, and dropped at the next save.
    ProjectRecord* p = load_text("[Pirn]\nCmd=mypirn\n[Builder.Pirn]\nCmd=bp\nSPECIFICS=YES\nNbSegs=1\nSEG0=text\n");
    EXPECT_EQ(p->Pirn.Cmd, "mypirn");
    EXPECT_EQ(p->BuilderPirn.Cmd, "bp");
    EXPECT_EQ(vesk::options_of<vesk::PirnOptions>(p->BuilderPirn)->Segments, std::vector<std::string>{"text"});
    ASSERT_TRUE(vesk::SaveProject(path("t2.prj")));
    EXPECT_EQ(keys("t2.prj", "Pirn"), "");
    EXPECT_EQ(key("t2.prj", "Builder.Pirn", "Cmd"), "");
}

TEST_F(ProjectFileTest, DebuggerOptionsNeedACommand) {
    ProjectRecord* p = load_text("[Debug]\nCmd=\nOptions=-s x\n[Debug1]\nCmd=vyrdbg\nOptions=-s y\n");
    EXPECT_EQ(p->Debug.Options, "");
    EXPECT_EQ(p->Debug1.Options, "-s y");
    p->Debug.Options = "-s kept";
    ASSERT_TRUE(vesk::SaveProject(path("d.prj")));
    EXPECT_NE(read("d.prj").find("[Debug]\r\nCmd=\r\n[Debug1]\r\nCmd=vyrdbg\r\nOptions=-s y\r\n"), std::string::npos);
}

TEST_F(ProjectFileTest, ProjectDirectoryAndSharedValues) {
    std::filesystem::create_directory("work");
    write("work/main.c", "int main(void) { return 0; }\n");
    std::string d = path("work");
    ProjectRecord* p = load_text("[Project]\nDirectory=" + d +
                                 "\nExecName=prog.h11\nIncPath=a;b\nObjPath=o\nFileType=326\nAsmExtensions=.a11\n"
                                 "TabWidth=4\n[Files]\n1=main.c\n2=gone.c\n");
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(d));
    EXPECT_EQ(vesk::linksettings(*p).OutputFile, "prog.h11");
    EXPECT_EQ(vesk::shared.IncludeSearch, "a;b");
    EXPECT_EQ(vesk::shared.ObjectPath, "o");
    EXPECT_EQ(vesk::shared.AsmExtensions, ".a11");
    EXPECT_EQ(vesk::shared.TabWidth, 4);
    EXPECT_EQ(frame.filetypes, std::vector<int>{326});
    EXPECT_EQ(p->Files.front().Exists, 1u);
    EXPECT_EQ(p->Files.back().Exists, 0u);
    std::filesystem::current_path(dir);

    // A directory that does not exist: the message, and loading goes on.
    frame.messages.clear();
    frame.filetypes.clear();
    p = load_text("[Project]\nDirectory=" + path("nowhere") + "\nName=still\nFileType=5\nTabWidth=\n");
    EXPECT_EQ(frame.messages, std::vector<std::string>{"Error: Project Directory: " + path("nowhere") + " Does not EXIST "});
    EXPECT_EQ(p->Name, "still");
    EXPECT_EQ(frame.filetypes, std::vector<int>{326});
    EXPECT_EQ(vesk::shared.TabWidth, 4);
    EXPECT_EQ(std::filesystem::current_path(), dir);
}

// Counts from a file edited by hand are bounded; nothing is read for ever.
TEST_F(ProjectFileTest, HugeAndNegativeCountsLoadAtOnce) {
    auto start = std::chrono::steady_clock::now();
    ProjectRecord* p = load_text(
        "[Dremo]\nSPECIFICS=YES\nNbFiles=-5\nNbFuncs=99999999\n[PROJ_DOCS]\nNbDocs=99999999\n"
        "[PROJ_DEFINES]\nNumber=2147483647\n1=A\n[Files]\n1=a.c\n[FILE1OPTS]\nNbDefines=-2147483648\nNbDocs=2147483647\n");
    const vesk::DremoOptions* d = vesk::options_of<vesk::DremoOptions>(p->Dremo);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->Files.empty());
    EXPECT_EQ(d->Functions.size(), static_cast<std::size_t>(vesk::MAX_LIST_COUNT));
    EXPECT_TRUE(p->Docs.empty());
    EXPECT_EQ(p->Defines, std::vector<std::string>{"A"});
    EXPECT_TRUE(p->Files.front().Defines.empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST_F(ProjectFileTest, LongAndQuotedValuesAreKeptWhole) {
    ProjectRecord* p = vesk::NewProjectRecord();
    vesk::set_current_project(p);
    std::string flags;
    for (int i = 0; i < 1000; ++i) flags += "-d" + std::to_string(i) + " ";
    flags = flags.substr(0, 5000);
    p->Compiler.UserFlags = flags;
    p->Description = "  spaced  ";
    p->Name = "\"quoted\"";
    p->IncPath = "'";
    ASSERT_TRUE(vesk::SaveProject(path("long.prj")));
    ProjectRecord* q = load("long.prj");
    EXPECT_EQ(q->Compiler.UserFlags, flags);
    EXPECT_EQ(q->Compiler.UserFlags.size(), 5000u);
    EXPECT_EQ(q->Description, "  spaced  ");
    EXPECT_EQ(q->Name, "\"quoted\"");
    EXPECT_EQ(q->IncPath, "'");
}

// A project file that cannot be written: the old file stays byte for byte.
TEST_F(ProjectFileTest, AFailedSaveLeavesTheOldFile) {
    const std::string old = "[Project]\r\nName=old\r\n; kept as it is\r\n";
    write("keep.prj", old);
    vesk::set_current_project(vesk::NewProjectRecord());
    vesk::current_project()->Name = "new";
    // The file written beside it cannot be made: a directory holds its name.
    std::filesystem::create_directories("keep.prj.sav~/inside");
    EXPECT_FALSE(vesk::SaveProject(path("keep.prj")));
    EXPECT_EQ(read("keep.prj"), old);
    EXPECT_EQ(frame.messages, std::vector<std::string>{"Error: Can't Write Project File: " + path("keep.prj")});
    frame.messages.clear();
    EXPECT_FALSE(vesk::SaveProject(path("nodir/x.prj")));
    EXPECT_EQ(frame.messages, std::vector<std::string>{"Error: Can't Write Project File: " + path("nodir/x.prj")});
    EXPECT_FALSE(std::filesystem::exists("nodir"));
}

TEST_F(ProjectFileTest, AMissingOrEmptyFileGivesAnEmptyProject) {
    ProjectRecord* p = load("none.prj");
    EXPECT_EQ(p->Flags, vesk::REAL_PROJECT);
    EXPECT_TRUE(p->Files.empty());
    EXPECT_EQ(vesk::options_of<vesk::PirnOptions>(p->Pirn), nullptr);
    EXPECT_NE(vesk::options_of<vesk::LinkSettings>(p->Linker), nullptr);
    EXPECT_EQ(vesk::current_project(), p);
}

// Damaged project files: the reader never crashes (the sanitizers watch).
TEST_F(ProjectFileTest, DamagedFilesNeverCrashTheReader) {
    std::string base = read(VY_SOURCE_DIR "/ide/project/tests/data/demo.prj");
    unsigned seed = 12345;
    for (int round = 0; round < 60; ++round) {
        std::string text = base;
        for (int i = 0; i < 40; ++i) {
            seed = seed * 1103515245u + 12345u;
            std::size_t at = (seed >> 8) % text.size();
            text[at] = static_cast<char>(seed >> 24);
        }
        if (round % 3 == 0) text = text.substr(0, (seed >> 4) % text.size());
        load_text(text);
        std::filesystem::current_path(dir);
    }
    load_text(std::string("\0[\0]\0=\0", 8) + std::string(70000, '[') + "\n" + std::string(70000, '='));
}

}  // namespace
