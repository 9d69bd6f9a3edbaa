// Differential test against the GNU tools for the 68HC11: programs of
// several objects with cross references between code, data and page zero
// are assembled and linked here and by m68hc11-as and m68hc11-ld, and the
// bytes of each section (m68hc11-objcopy -O binary) must agree. Native
// only; skipped when binutils-m68hc1x is not installed. VY_ORACLE_CASES
// asks for more random programs.
#include <cstdlib>
#include <filesystem>
#include <set>

#include "outside/tests/outside_fixture.h"

namespace {

using namespace outside_test;

bool have_tool(const char* name) {
    std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

// The sections, our name and the GNU one.
struct SectionName {
    const char* ours;
    const char* gnu;
    uint32_t address;
};
const SectionName sections[] = {{".bsct", ".page0", 0x0000}, {".text", ".text", 0x8000}, {".data", ".data", 0x2000}};

// A program of several objects in both dialects.
class ProgramGenerator {
public:
    explicit ProgramGenerator(uint32_t seed) : state_(seed * 2654435761u + 7) {}

    struct Object {
        std::string ours, gnu;
    };
    std::vector<Object> objects;

    void generate() {
        int n = range(2, 4);
        // first every object's symbols, so that any object may refer to any
        for (int o = 0; o < n; ++o) {
            for (int i = 0, k = range(1, 4); i < k; ++i) code_.push_back({"f" + std::to_string(o) + "_" + std::to_string(i), o});
            for (int i = 0, k = range(1, 3); i < k; ++i) data_.push_back({"d" + std::to_string(o) + "_" + std::to_string(i), o});
            for (int i = 0, k = range(0, 2); i < k; ++i) zero_.push_back({"z" + std::to_string(o) + "_" + std::to_string(i), o});
        }
        for (int o = 0; o < n; ++o) objects.push_back(object(o));
    }

private:
    struct Sym {
        std::string name;
        int owner;
    };
    uint64_t state_;
    std::vector<Sym> code_, data_, zero_;
    std::set<std::string> used_;

    uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<uint32_t>(state_ >> 11);
    }
    int range(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<uint32_t>(hi - lo + 1)); }
    const Sym& pick(const std::vector<Sym>& v) {
        const Sym& s = v[static_cast<size_t>(range(0, static_cast<int>(v.size()) - 1))];
        used_.insert(s.name);
        return s;
    }
    std::string offset() { return range(0, 2) ? "" : "+" + std::to_string(range(1, 40)); }

    void line(Object& ob, const std::string& ours, const std::string& gnu) {
        ob.ours += ours + "\n";
        ob.gnu += gnu + "\n";
    }

    void instruction(Object& ob) {
        switch (range(0, 7)) {
        case 0: {
            std::string s = pick(code_).name;
            line(ob, "\tjsr\t" + s, "\tjsr\t" + s);
            break;
        }
        case 1: {
            std::string s = pick(data_).name + offset();
            line(ob, "\tldx\t#" + s, "\tldx\t#" + s);
            break;
        }
        case 2: {
            std::string s = pick(data_).name + offset();
            line(ob, "\tstd\t" + s, "\tstd\t" + s);
            break;
        }
        case 3: {
            std::string s = pick(code_).name + offset();
            line(ob, "\tldab\t#high(" + s + ")", "\tldab\t#%hi(" + s + ")");
            break;
        }
        case 4: {
            std::string s = pick(data_).name + offset();
            line(ob, "\tldaa\t#low(" + s + ")", "\tldaa\t#%lo(" + s + ")");
            break;
        }
        case 5:
            if (!zero_.empty()) {
                std::string s = pick(zero_).name;
                line(ob, "\tldaa\t" + s, "\tldaa\t*" + s);
                break;
            }
            [[fallthrough]];
        case 6: {
            int v = range(0, 0xFFFF);
            line(ob, "\tldd\t#" + std::to_string(v), "\tldd\t#" + std::to_string(v));
            break;
        }
        default: line(ob, "\tinca", "\tinca"); break;
        }
    }

    void datum(Object& ob) {
        switch (range(0, 3)) {
        case 0: {
            std::string s = pick(code_).name + offset();
            line(ob, "\tdc.w\t" + s, "\t.word\t" + s);
            break;
        }
        case 1: {
            std::string s = pick(data_).name + offset();
            line(ob, "\tdc.w\t" + s, "\t.word\t" + s);
            break;
        }
        case 2: {
            std::string s = pick(code_).name + offset();
            line(ob, "\tdc.l\t" + s, "\t.long\t" + s);
            break;
        }
        default: {
            int v = range(0, 255);
            line(ob, "\tdc.b\t" + std::to_string(v), "\t.byte\t" + std::to_string(v));
            break;
        }
        }
    }

    Object object(int o) {
        Object ob;
        for (const auto* list : {&code_, &data_, &zero_})
            for (const Sym& s : *list)
                if (s.owner == o) {
                    line(ob, "\txdef\t" + s.name, "\t.globl\t" + s.name);
                }
        // imports: every symbol of another object (unused ones are dropped)
        for (const auto* list : {&code_, &data_})
            for (const Sym& s : *list)
                if (s.owner != o) ob.ours += "\txref\t" + s.name + "\n";
        for (const Sym& s : zero_)
            if (s.owner != o) ob.ours += "\txref.b\t" + s.name + "\n";
        // page zero first: its labels are known where the code uses them
        line(ob, "\tswitch\t.bsct", "\t.section\t.page0,\"aw\",@progbits");
        for (const Sym& s : zero_)
            if (s.owner == o) {
                int v = range(0, 255);
                line(ob, s.name + ":\tdc.b\t" + std::to_string(v), s.name + ":\t.byte\t" + std::to_string(v));
            }
        line(ob, "\tswitch\t.text", "\t.text");
        for (const Sym& s : code_)
            if (s.owner == o) {
                line(ob, s.name + ":", s.name + ":");
                for (int i = 0, k = range(1, 8); i < k; ++i) instruction(ob);
                line(ob, "\trts", "\trts");
            }
        line(ob, "\tswitch\t.data", "\t.data");
        for (const Sym& s : data_)
            if (s.owner == o) {
                line(ob, s.name + ":", s.name + ":");
                for (int i = 0, k = range(1, 5); i < k; ++i) datum(ob);
            }
        return ob;
    }
};

class LinkOracle : public OutsideTest {
protected:
    void SetUp() override {
        OutsideTest::SetUp();
        if (!have_tool("m68hc11-as") || !have_tool("m68hc11-ld") || !have_tool("m68hc11-objcopy"))
            GTEST_SKIP() << "binutils-m68hc1x is not installed";
    }

    // Links the objects both ways and compares every section's bytes.
    void compare(const std::vector<ProgramGenerator::Object>& objects, const std::string& what) {
        ccasm::Options opt;
        opt.no_branch_opt = true;  // the GNU assembler keeps jsr as jsr
        std::string lkf, script = "SECTIONS {\n", names;
        for (const SectionName& s : sections) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "+seg %s -b0x%04X\n", s.ours, s.address);
            lkf += buf;
        }
        for (size_t i = 0; i < objects.size(); ++i) {
            std::string n = "o" + std::to_string(i);
            assemble(n, objects[i].ours, opt);
            if (HasFatalFailure()) return;
            write("g" + std::to_string(i) + ".s", objects[i].gnu);
            lkf += n + ".o\n";
            names += " g" + std::to_string(i) + ".o";
            std::string as = "m68hc11-as -S -o g" + std::to_string(i) + ".o g" + std::to_string(i) + ".s 2>>gnu.err";
            ASSERT_EQ(std::system(as.c_str()), 0) << read("gnu.err") << objects[i].gnu;
        }
        for (const SectionName& s : sections) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "  %s 0x%04X : {", s.gnu, s.address);
            script += buf;
            for (size_t i = 0; i < objects.size(); ++i) script += " g" + std::to_string(i) + ".o(" + s.gnu + ")";
            script += " }\n";
        }
        write("l.x", script + "}\n");
        std::string ld = "m68hc11-ld -T l.x -o g.elf" + names + " 2>>gnu.err";
        ASSERT_EQ(std::system(ld.c_str()), 0) << read("gnu.err");
        LinkRun r = link(lkf);
        ASSERT_TRUE(r.ok) << r.errors;
        for (const SectionName& s : sections) {
            std::string bin = std::string("g") + s.gnu + ".bin";
            std::string cmd = std::string("m68hc11-objcopy -O binary -j ") + s.gnu + " g.elf " + bin + " 2>>gnu.err";
            ASSERT_EQ(std::system(cmd.c_str()), 0) << read("gnu.err");
            std::vector<uint8_t> gnu = read_bytes(bin);
            const objfile::Section* ours = r.program.section(s.ours);
            std::vector<uint8_t> mine = ours ? ours->data : std::vector<uint8_t>();
            if (ours) {
                EXPECT_EQ(ours->start, s.address) << what;
            }
            EXPECT_EQ(mine, gnu) << what << ": section " << s.ours;
        }
    }
};

TEST_F(LinkOracle, ThreeObjectsWithEveryKindOfReference) {
    std::vector<ProgramGenerator::Object> objects = {
        {"\txdef\t_main, tab\n\txref\t_f, buf\n\txref.b\tzv\n\tswitch\t.text\n"
         "_main:\tjsr\t_f\n\tldx\t#tab+4\n\tldaa\tzv\n\tldab\t#high(_f)\n\tldaa\t#low(buf+3)\n\tstd\tbuf\n\trts\n"
         "\tswitch\t.data\ntab:\tdc.w\t_main, _f+2, buf\n\tdc.l\ttab\n",
         "\t.globl\t_main, tab\n\t.text\n"
         "_main:\tjsr\t_f\n\tldx\t#tab+4\n\tldaa\t*zv\n\tldab\t#%hi(_f)\n\tldaa\t#%lo(buf+3)\n\tstd\tbuf\n\trts\n"
         "\t.data\ntab:\t.word\t_main, _f+2, buf\n\t.long\ttab\n"},
        {"\txdef\t_f\n\txref\ttab\n\tswitch\t.text\n_f:\tldd\ttab\n\tjsr\t_f\n\trts\n",
         "\t.globl\t_f\n\t.text\n_f:\tldd\ttab\n\tjsr\t_f\n\trts\n"},
        {"\txdef\tbuf, zv\n\tswitch\t.data\nbuf:\tdc.w\t1,2,3\n\tswitch\t.bsct\nzv:\tdc.b\t9\n",
         "\t.globl\tbuf, zv\n\t.data\nbuf:\t.word\t1,2,3\n\t.section\t.page0,\"aw\",@progbits\nzv:\t.byte\t9\n"},
    };
    compare(objects, "three objects");
}

TEST_F(LinkOracle, RandomProgramsOfSeveralObjects) {
    int cases = 25;
    if (const char* n = std::getenv("VY_ORACLE_CASES")) cases = std::atoi(n);
    for (int seed = 1; seed <= cases && !HasFailure(); ++seed) {
        ProgramGenerator g(static_cast<uint32_t>(seed));
        g.generate();
        std::filesystem::remove("gnu.err");
        compare(g.objects, "seed " + std::to_string(seed));
    }
}

}  // namespace
