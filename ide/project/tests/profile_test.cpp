// The profile functions: one table of cases for both sides. Natively it
// checks the portable side; under Wine it runs on the platform's functions
// too, whose answers the table was taken from.
#include <string>
#include <vector>

#include "ide/project/profile.h"
#include "project_fixture.h"

namespace {

using vesk::ProfileSide;

struct Query {
    const char* section;
    const char* key;  // null: the section's key list, joined with '|'
    std::string expected;
};

struct Write {
    const char* section;
    const char* key;
    std::string value;
};

struct Case {
    const char* name;
    const char* content;  // null: no file
    std::vector<Write> writes;
    std::vector<Query> queries;
};

const std::string long_value(5000, 'v');

const Case cases[] = {
    {"names in another case", "[Compiler]\r\nCmd=cc11 -x\r\n", {},
     {{"COMPILER", "cmd", "cc11 -x"}, {"compiler", "CMD", "cc11 -x"}}},
    {"blanks around names and values", "[  Sec One  ]\r\n  Key A  =  value a  \r\nb\t=\tx y\t\r\n", {},
     {{"Sec One", "Key A", "value a"}, {" sec one ", " key a ", "value a"}, {"Sec One", "b", "x y"}}},
    {"quotes around a value",
     "[Q]\r\nd=\"q v\"\r\ns='x'\r\nhalf=\"abc\r\nmixed=\"a'\r\nempty=\"\"\r\none=\"\r\ninner=a\"b\"\r\n", {},
     {{"Q", "d", "q v"},
      {"Q", "s", "x"},
      {"Q", "half", "\"abc"},
      {"Q", "mixed", "\"a'"},
      {"Q", "empty", ""},
      {"Q", "one", "\""},
      {"Q", "inner", "a\"b\""}}},
    {"missing file, section and key", nullptr, {}, {{"A", "k", ""}, {"A", nullptr, ""}}},
    {"missing section and key", "[A]\nk=1\n", {}, {{"B", "k", ""}, {"A", "j", ""}, {"B", nullptr, ""}}},
    {"the first section of a name", "[A]\nk=1\n[a]\nk=2\nz=9\n", {}, {{"A", "k", "1"}, {"a", "z", ""}}},
    {"keys in file order without lines that have no value", "[S]\nb=1\na=2\nnoeq\n;c=3\nempty=\n[T]\nx=1\n", {},
     {{"S", nullptr, "b|a|empty"}, {"S", "noeq", ""}, {"S", "empty", ""}}},
    {"a long value read whole", nullptr, {{"L", "k", long_value}}, {{"L", "k", long_value}}},
    {"a write into an existing section keeps its other keys in order", "[S]\r\na=1\r\nb=2\r\n[T]\r\nc=3\r\n",
     {{"S", "c", "new"}, {"s", "A", "10"}},
     {{"S", nullptr, "a|b|c"}, {"S", "a", "10"}, {"S", "b", "2"}, {"S", "c", "new"}, {"T", nullptr, "c"},
      {"T", "c", "3"}}},
    {"a new section appended", "[S]\r\na=1\r\n", {{"New Section", "k", "v"}},
     {{"S", "a", "1"}, {"new section", "k", "v"}, {"New Section", nullptr, "k"}}},
    {"a write to a missing file makes it", nullptr, {{"A", "x", "1"}, {"B", "y", "2"}, {"A", "z", "3"}},
     {{"A", nullptr, "x|z"}, {"B", "y", "2"}}},
    {"a last line without a line end", "[S]\r\na=1", {{"S", "b", "2"}, {"T", "c", "3"}},
     {{"S", nullptr, "a|b"}, {"S", "a", "1"}, {"T", "c", "3"}}},
    {"a written value read back without its blanks", "[S]\r\n", {{"S", "k", "  padded  "}, {"S", "q", "\"x\""}},
     {{"S", "k", "padded"}, {"S", "q", "x"}}},
};

std::string joined(const std::vector<std::string>& keys) {
    std::string out;
    for (const std::string& k : keys) out += (out.empty() ? "" : "|") + k;
    return out;
}

class ProfileTest : public vesk_test::ProjectFixture {
protected:
    void run_table(const ProfileSide& side) {
        int n = 0;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(side.name) + ": " + c.name);
            std::string file = path("case" + std::to_string(++n) + side.name + ".ini");
            if (c.content) write(file, c.content);
            for (const Write& w : c.writes) EXPECT_TRUE(side.write(file, w.section, w.key, w.value));
            for (const Query& q : c.queries) {
                SCOPED_TRACE(std::string(q.section) + " / " + (q.key ? q.key : "(keys)"));
                std::string answer = q.key ? side.read(file, q.section, q.key) : joined(side.keys(file, q.section));
                EXPECT_EQ(answer, q.expected);
            }
        }
    }
};

TEST_F(ProfileTest, PortableSideAnswersTheTable) { run_table(vesk::portable_profile); }

#ifdef _WIN32
TEST_F(ProfileTest, PlatformSideAnswersTheTable) { run_table(vesk::platform_profile); }
#endif

// The portable writer changes only the line it writes or adds: comments,
// blank lines and the spacing of other lines stay byte for byte.
TEST_F(ProfileTest, PortableWriteKeepsEveryOtherLine) {
    const ProfileSide& side = vesk::portable_profile;
    write("keep.ini", "; comment\r\n[S]\r\n  a = 1 \r\n\r\n[T]\nc=3\n");
    ASSERT_TRUE(side.write(path("keep.ini"), "S", "b", "2"));
    EXPECT_EQ(read("keep.ini"), "; comment\r\n[S]\r\n  a = 1 \r\nb=2\r\n\r\n[T]\nc=3\n");
    ASSERT_TRUE(side.write(path("keep.ini"), "t", "C", "4"));
    EXPECT_EQ(read("keep.ini"), "; comment\r\n[S]\r\n  a = 1 \r\nb=2\r\n\r\n[T]\nc=4\n");
    ASSERT_TRUE(side.write(path("keep.ini"), "U", "d", "5"));
    EXPECT_EQ(read("keep.ini"), "; comment\r\n[S]\r\n  a = 1 \r\nb=2\r\n\r\n[T]\nc=4\n[U]\r\nd=5\r\n");
}

// A file changed behind the reader's back is read again.
TEST_F(ProfileTest, PortableReaderSeesChangesOnDisk) {
    const ProfileSide& side = vesk::portable_profile;
    write("change.ini", "[S]\nk=1\n");
    EXPECT_EQ(side.read(path("change.ini"), "S", "k"), "1");
    write("change.ini", "[S]\nk=22\n");
    EXPECT_EQ(side.read(path("change.ini"), "S", "k"), "22");
}

TEST_F(ProfileTest, AWriteThatFailsChangesNothing) {
    std::filesystem::create_directory("adir");
    EXPECT_FALSE(vesk::portable_profile.write(path("adir"), "S", "k", "v"));
    EXPECT_FALSE(vesk::portable_profile.write(path("nodir/x.ini"), "S", "k", "v"));
    EXPECT_EQ(vesk::portable_profile.read(path("nodir/x.ini"), "S", "k"), "");
}

}  // namespace
