// State of the macro assembler: options, symbols, sections, input, passes.
// Every module works on one `Asm` record that the driver owns.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ccasm/namemap.h"
#include "ccasm/opcodes.h"
#include "ccasm/tools/objfile.h"
#include "support/file_read.h"

namespace ccasm {

// ---------------------------------------------------------------- options

struct Options {
    bool abs = false;            // a: predefined sections are absolute
    bool no_branch_opt = false;  // b
    bool cross_ref = false;      // c
    std::vector<std::string> defines;   // d, in the order given
    std::string error_file;      // +e
    bool formfeed = false;       // ff
    bool force_title = false;    // ft
    int fill = 0;                // f#
    std::string header;          // h
    std::vector<std::string> include_dirs;  // i, then QVLIB
    bool listing = false;        // l
    std::string listing_name;    // +l
    bool label_syntax = false;   // mi
    bool old_syntax = false;     // m
    std::string object_name;     // o
    bool public_equates = false; // pe
    bool keep_locals = false;    // pl
    bool all_public = false;     // p
    bool undefined_at_use = false;  // u
    bool verbose = false;        // v
    std::string verilog_name;    // +v
    bool no_path = false;        // xp
    bool full_debug = false;     // xx
    bool line_debug = false;     // x
};

// ---------------------------------------------------------------- values

enum ValueKind : uint8_t { VK_ABS = 0, VK_REL = 1, VK_BYTE = 2, VK_LONG = 3 };
enum : uint8_t { MARK_HIGH = 0x40, MARK_PAGE = 0x80 };

struct Symbol;

struct ExprValue {
    int32_t value = 0;
    Symbol* base = nullptr;  // the symbol a relocatable value rests on
    int section = -1;        // section index, -1 none
    uint8_t kind = VK_ABS;
    uint8_t marks = 0;
    bool relocatable() const { return kind != VK_ABS; }
};

// ---------------------------------------------------------------- symbols

// Symbol attribute word.
enum : uint16_t {
    SA_CMDLINE = 0x01,
    SA_SET = 0x02,
    SA_REGISTER = 0x04,
    SA_TESTED = 0x08,
    SA_ALIAS = 0x10,
    SA_LASTINBUCKET = 0x20,
    SA_DEBUG = 0x40,
    SA_LOCAL = 0x80,
    SA_BIT = 0x100,
};

// Object-file symbol flags, as the object format defines them.
using objfile::SF_DEFINED;
using objfile::SF_REFERENCED;
using objfile::SF_PUBLIC;
using objfile::SF_ZPAGE;
using objfile::SF_ABSOLUTE;
using objfile::SF_BIT;
using objfile::SF_LONG;

struct Symbol {
    Symbol* next = nullptr;   // symbol list, bucket order
    std::string name;
    uint32_t scope = 0;       // local labels: the scope they belong to
    uint16_t attr = 0;
    uint8_t flags = 0;
    uint8_t bucket = 0;
    int32_t value = 0;
    int section = -1;         // section index, -1 none
    Symbol* alias = nullptr;  // the symbol an alias stands for
    uint32_t number = 0;      // public number after the first pass
    int regnum = 0;           // register names: 1 a .. 6 y
    std::string file;         // first definition or reference
    uint32_t line = 0;
    uint32_t xref_line = 0;   // with cross reference: pass line counter
    std::vector<uint32_t> refs;  // reference lines, each once
    int def_pass = -1;        // last pass that defined it
    bool multiply = false;    // defined twice
    bool referenced_in_pass1 = false;
    uint32_t data_size = 0;   // bytes of data behind the label (debug)
    bool defined() const { return flags & SF_DEFINED; }
};

// ---------------------------------------------------------------- sections

// Section attributes, as the object format defines them.
using objfile::SEC_BSS;
using objfile::SEC_HILO;
using objfile::SEC_EVEN;
using objfile::SEC_ZPAGE;
using objfile::SEC_ABS;
using objfile::SEC_BIT;
using objfile::SEC_LONG;
using objfile::SEC_CODE;

// Target of a recorded jump: value, the undefined external it rests on (or
// null) and its section (-1 for absolute and external targets).
struct JumpKey {
    int32_t value;
    const Symbol* base;
    int section;
    bool operator==(const JumpKey&) const = default;
};
struct JumpKeyHash {
    size_t operator()(const JumpKey& k) const {
        return std::hash<int64_t>{}((int64_t(k.value) << 16) ^ k.section) ^ std::hash<const void*>{}(k.base);
    }
};

struct Section {
    std::string name;
    uint8_t attr = 0;
    bool debug = false;       // the .debug section
    bool pseudo = false;      // the offset pseudo-section
    bool got_bytes = false;   // received bytes in this pass
    bool hidden = false;      // passed over by a `new` section this pass
    bool overflowed = false;  // "too large" reported in this pass
    bool origin_set = false;  // an org gave the start address in this pass
    int number = 0;           // object-file number, 0 none
    int old_number = -1;      // number bound in old syntax
    int decl_pass = -1;       // pass of the last `section` that declared it
    uint32_t offset = 0;
    uint32_t start = 0;
    std::vector<uint8_t> data;
    std::vector<uint8_t> reloc;
    uint32_t reloc_pos = 0;
    std::unordered_map<JumpKey, uint32_t, JumpKeyHash> jumps;  // target -> address of the jump
    uint32_t address() const { return offset + start; }
};

// ---------------------------------------------------------------- debug records

struct DebugRecord {
    uint32_t value = 0;
    uint8_t kind = 0;
    int section = -1;
    std::string text;
};

// ---------------------------------------------------------------- input

struct Macro {
    std::string name;
    std::vector<std::string> params;
    std::vector<std::string> body;
    int def_pass = -1;
};

struct SourceFile {
    std::string name;     // as opened (with directory when found by search)
    std::string content;
};

struct InputEntry {
    char kind = 'F';                  // 'F' file, 'M' expansion
    // file
    SourceFile* file = nullptr;
    size_t pos = 0;
    uint32_t line = 0;
    std::string sfile_name;           // .sfile override
    bool sfile = false;
    uint32_t sfile_line = 0;          // line number given
    uint32_t sfile_base = 0;          // physical line of the directive
    // expansion
    const std::vector<std::string>* body = nullptr;
    std::shared_ptr<std::vector<std::string>> owned_body;  // repeat blocks
    const std::vector<std::string>* params = nullptr;  // macro parameter names
    std::vector<std::string> params_store;             // repeatl / irp parameter name
    std::vector<std::string> args;
    std::vector<std::string> items;   // repeatl / irp list
    bool is_repeat = false;
    bool is_macro = false;
    bool preamble = false;
    char suffix = 0;
    uint32_t unique = 0;
    long repeat_left = 0;
    size_t item = 0;
    size_t cursor = 0;
    size_t if_depth = 0;
};

// Collection of a macro or repeat body.
struct Collect {
    enum Kind { NONE, MACRO, REPEAT } kind = NONE;
    int nesting = 0;
    Macro* macro = nullptr;          // null when only skipping (later passes)
    std::shared_ptr<std::vector<std::string>> body;
    long count = 0;
    std::string param;
    std::vector<std::string> items;
    bool list = false;                // repeatl / irp
};

struct CondBlock {
    bool state;   // lines are assembled
    bool taken;   // some branch was true
    bool outer_false;
};

// ---------------------------------------------------------------- opcode hash

struct Directive;

enum OpKind : uint8_t { OP_DIRECTIVE, OP_INSN, OP_MACRO };

struct OpEntry {
    OpKind kind;
    const AsmOpcodeRow* row = nullptr;
    const Directive* dir = nullptr;
    Macro* macro = nullptr;
    OpEntry* older = nullptr;   // the entry a macro hides
};

struct Asm;
using DirectiveHandler = void (*)(Asm&, int variant);

// Directive flag word.
enum : uint16_t {
    DF_VARIANT = 0x00FF,
    DF_DIRECTIVE = 0x100,
    DF_LABEL_OPERAND = 0x200,
    DF_CONDITIONAL = 0x400,
    DF_DATA = 0x800,          // emits data: ends the offset pseudo-section
    DF_ENDS_BODY = 0x1000,
    DF_NOLIST = 0x2000,
    DF_ALWAYS = 0x4000,
    DF_DEBUG = 0x8000,
};

struct Directive {
    const char* name;
    DirectiveHandler handler;
    uint16_t flags;
};

struct StringHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return static_cast<size_t>(name_hash(s)); }
};
struct StringEq {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return a == b; }
};
template <typename T>
using NameMap = std::unordered_map<std::string, T, StringHash, StringEq>;

// ---------------------------------------------------------------- tokens

enum TokKind : uint8_t {
    T_END,
    T_NUMBER,
    T_NAME,
    T_LOCAL,
    T_REGISTER,
    T_STRING,
    T_OPFUNC,   // high( low( page( strlen(
    T_OP,       // operator or punctuation, `op` holds the code
    T_BAD,      // a character no token starts with
};

enum OpCode : uint8_t {
    OP_NOT = '!', OP_COMPL = '~', OP_PLUS = '+', OP_MINUS = '-', OP_MUL = '*', OP_DIV = '/',
    OP_MOD = '%', OP_LT = '<', OP_GT = '>', OP_AND = '&', OP_XOR = '^', OP_OR = '|',
    OP_LPAREN = '(', OP_RPAREN = ')', OP_COMMA = ',', OP_HASH = '#', OP_COLON = ':',
    OP_LBRACK = '[', OP_RBRACK = ']',
    OP_SHL = 128, OP_SHR, OP_LE, OP_GE, OP_EQ, OP_NE, OP_LAND, OP_LOR,
};

enum OpFunc : uint8_t { F_HIGH, F_LOW, F_PAGE, F_STRLEN };

struct Token {
    std::string_view text;   // names, strings (without quotes), numbers
    int32_t number = 0;
    uint32_t start = 0;      // position in the line
    TokKind kind = T_END;
    uint8_t op = 0;
    bool bad = false;        // a malformed constant or string
    bool too_long = false;   // a string beyond 256 characters
};

// ---------------------------------------------------------------- listing

struct TitleEntry {
    uint32_t line;
    std::string text;
};

struct Listing {
    FILE* file = nullptr;
    bool on = false;            // written in this pass
    bool held = false;          // held back for the extra pass
    bool paging = false;
    int page_length = 66;
    int lines_on_page = 0;
    int page = 0;
    bool nolist = false;
    bool clist = false, dlist = false, mlist = false;
    std::vector<TitleEntry> titles, subtitles;
    std::vector<uint8_t> bytes;  // code bytes of the current line
    bool show_address = false;
    uint32_t line_address = 0;
    bool value_line = false;     // equ / set: show the value
    bool blank_line = false;     // org: no address and no bytes
    int32_t value = 0;
    bool suppress = false;       // this statement is not listed
    bool is_conditional = false; // a conditional directive
    bool is_debug = false;       // a debug directive
    bool in_false_block = false;
    int address_section = 0;     // section whose address the line shows
    std::vector<std::string> source_lines;  // lines shown by .source
    FILE* verilog = nullptr;
};

// ---------------------------------------------------------------- the assembler

// From this pass on an instruction may only keep or grow its size, so that
// the pass loop always ends.
constexpr int GROWTH_ONLY_PASS = 5;

struct Asm {
    Options opt;
    std::string progname = "ccasm";
    FILE* err = stderr;         // diagnostics
    std::string date;           // listing date

    // command-line symbols survive from one source to the next
    // per source
    std::string source;         // current source name
    std::string object_name, listing_name;
    int errors = 0;
    int pass = 0;               // passes done; 1 while the first runs
    bool changed = false;
    Symbol* last_moved = nullptr; // a symbol whose value moved in this pass
    bool final_listing_pass = false;
    bool line_debug = false;    // x for this source
    bool full_debug = false;    // xx for this source
    bool all_public = false;    // p for this source

    // symbols
    std::vector<std::unique_ptr<Symbol>> symbol_store;
    NameTable<Symbol> symbols;         // global names
    NameMap<Symbol*> local_symbols;    // "name\x01scope"
    Symbol* sym_head = nullptr;
    Symbol* bucket_last[32] = {};
    uint32_t scope = 0;

    // opcodes
    std::vector<std::unique_ptr<OpEntry>> op_store;
    NameTable<OpEntry> ops;
    std::vector<std::unique_ptr<Macro>> macros;

    // sections
    std::vector<Section> sections;
    int cur = 0;                  // current section
    int before_offset = -1;       // section current before `offset`
    std::vector<int> save_stack;
    int new_counter = 0;          // `new` sections met in this pass
    std::vector<int> new_sections;
    uint8_t default_attr = SEC_HILO;
    int number_of_sections = 0;
    std::vector<int> old_numbers = std::vector<int>(256, -1);

    // input
    std::vector<std::unique_ptr<SourceFile>> files;
    NameMap<SourceFile*> file_cache;
    NameMap<vy::FileRead> unreadable;  // files refused, and why: read once per source
    std::vector<InputEntry> input;
    Collect collect;
    std::vector<CondBlock> conds;
    uint32_t unique = 0;          // expansion numbers
    uint32_t pass_lines = 0;      // all lines read in this pass
    uint32_t source_lines = 0;    // lines of the main source in this pass
    uint32_t prev_source_lines = 0;
    int base = 10;
    bool skip_macro = false;      // line marked with two backslashes
    std::string expand_error;     // diagnostic of the expansion of this line
    std::string expanded;         // the line an expansion delivered
    uint32_t last_line = 0;       // line count of the last file closed
    bool from_expansion = false;  // current line comes from an expansion
    bool from_preamble = false;

    // statement
    std::string_view line;
    size_t pos = 0;
    Token back[5];
    int nback = 0;
    bool after_operand = false;  // the last token ended an operand
    bool has_error = false;
    std::string error_text;
    char size_suffix = 0;
    bool has_label = false;
    bool label_colon = false;
    Token label_tok;
    Symbol* last_label = nullptr;  // most recent label (data sizes)
    std::vector<std::string> pending_diags;  // diagnostics of this pass
    int expr_depth = 0;          // nested terms of the expression being read
    int pending_errors = 0;

    // instructions
    // Where each instruction was in the previous pass, and its size then.
    struct InsnPlace {
        uint32_t address;
        int16_t section;
        uint8_t size;
    };
    std::vector<InsnPlace> insn_places;
    size_t insn_index = 0;
    uint64_t insn_bytes = 0;      // bytes of all instructions in this pass
    bool insn_grew = false;       // an instruction took more bytes than in the pass before

    // debug records
    std::vector<DebugRecord> debug;
    size_t debug_cursor = 0;
    enum { DBG_NORMAL, DBG_MISMATCH, DBG_REBUILD } debug_state = DBG_NORMAL;
    std::vector<std::string> preamble;

    // listing
    Listing list;
};

// ---------------------------------------------------------------- interfaces

// driver.cpp
int asmmain(int argc, char** argv);
int assemble(Asm& a, const std::vector<std::string>& sources);
int asmfile(Asm& a);
bool asmpass(Asm& a);
// The diagnostic lines: "#error <program> <file>:<line>\t<message>" and, for
// messages without a line, "#error <program> <file>:0 <message>". Control
// bytes of the file name and the message are written as \xNN.
std::string error_line(const Asm& a, const std::string& file, uint32_t line, const std::string& message);
std::string noline_line(const Asm& a, const std::string& file, const std::string& message);
void diag_noline(Asm& a, const std::string& file, const std::string& message);
void report_at(Asm& a, const std::string& file, uint32_t line, const std::string& message);
void diag(Asm& a, const std::string& message);

// lexer.cpp
Token gettoken(Asm& a);
void backtoken(Asm& a, const Token& t);
Token peektoken(Asm& a);
char next_char(Asm& a);          // the next character of the statement, 0 at its end
bool accept(Asm& a, char c);     // takes a one-character operator or punctuation
int accept_register(Asm& a);     // takes a register name, returns its number or 0
bool at_statement_end(Asm& a);
void skip_blanks(Asm& a);
bool is_name_start(char c);
bool is_name_char(char c);
int register_number(std::string_view name);

// expr.cpp
ExprValue getexpr(Asm& a);
bool getabs(Asm& a, int32_t& value);  // absolute expression, false after an error

// symbols.cpp
uint8_t symbol_hash(std::string_view name);
Symbol* findsym(Asm& a, std::string_view name, bool local);
Symbol* lookup_symbol(Asm& a, std::string_view name, bool local);
Symbol* name_symbol(Asm& a, const Token& t);
void reference(Asm& a, Symbol* s);
bool define_symbol(Asm& a, Symbol* s, const ExprValue& v, bool is_set);
void define_label(Asm& a, Symbol* s);
void endpass1(Asm& a);
bool renumber(Asm& a);  // after a later pass: numbers sections that first got bytes then
void resetsyms(Asm& a);
bool cmddefine(Asm& a, const std::string& text, std::string& message);
void init_registers(Asm& a);
ExprValue symbol_value(Asm& a, Symbol* s);

// source.cpp
bool nextsrc(Asm& a, std::string_view& line);
// Null when the file cannot be read; `result` tells why.
SourceFile* load_source(Asm& a, const std::string& name, vy::FileRead* result = nullptr);
// "can't open <name>", or "file too large: <name>".
std::string refusal(vy::FileRead result, const std::string& name);
void push_file(Asm& a, SourceFile* f);
bool split_arguments(Asm& a, std::vector<std::string>& args);
bool openinc(Asm& a, const std::string& name, bool report);
void push_expansion(Asm& a, InputEntry e);
bool collecting(Asm& a);
void collect_line(Asm& a, std::string_view line, std::string_view op);
void call_macro(Asm& a, Macro* m);
std::string expandline(Asm& a, InputEntry& e, std::string_view line);
void end_expansion(Asm& a, bool by_exit);
std::string current_file(Asm& a);
uint32_t current_line(Asm& a);
InputEntry* current_file_entry(Asm& a);
std::string join_path(const std::string& dir, const std::string& name);

// statement.cpp
void asmstmt(Asm& a, std::string_view line);
void error(Asm& a, const std::string& message);
void error_name(Asm& a, const char* before, std::string_view name, const char* after);
void addop(Asm& a, std::string_view name, OpEntry e);
OpEntry* findop(Asm& a, std::string_view name);
void end_statement(Asm& a);
bool assembling(const Asm& a);

// insn.cpp
void hc11init(Asm& a);
void asminsn(Asm& a, const AsmOpcodeRow* first);

// directives.cpp
void init_directives(Asm& a);
void select_section(Asm& a, int index);
void leave_offset(Asm& a);

// sections.cpp
void reset_sections(Asm& a);
void pass_reset_sections(Asm& a);
int find_section(Asm& a, std::string_view name);
int add_section(Asm& a, std::string_view name, uint8_t attr);
void emit_byte(Asm& a, uint8_t byte);
bool advance(Asm& a, uint32_t count);
bool advance_with(Asm& a, uint32_t count, uint8_t fill);
void emitword(Asm& a, const ExprValue& v, int width);
void emitlong(Asm& a, const ExprValue& v);
void pad_even_sections(Asm& a);
bool recording(const Asm& a);
Section& cursec(Asm& a);

// objwrite.cpp
void addreloc(Asm& a, Section& s, int kind, uint32_t index, uint32_t value);
bool writeobj(Asm& a);
const char* object_being_written();  // for the interrupt handler

// debugrec.cpp
void dodebug(Asm& a, int kind);
void adddebug(Asm& a, std::string_view text, int kind);
void linedebug(Asm& a);
void startdebug(Asm& a);
void enddebug(Asm& a);
void symdebug(Asm& a);
bool in_debug_table(const Asm& a, const Symbol* s);  // a symbol of the table symdebug writes
void debug_pass_start(Asm& a);
void debug_pass_end(Asm& a);
void build_preamble(Asm& a);
void push_preamble(Asm& a);
void note_data_size(Asm& a);

// listing.cpp
void listing_open(Asm& a);
void listing_close(Asm& a);
void listing_line(Asm& a, std::string_view text, bool from_expansion);
void listing_error(Asm& a, const std::string& message);
void listing_symbols(Asm& a);
void listing_end(Asm& a);
void list_title(Asm& a, int which);
void list_page(Asm& a);
void list_space(Asm& a, int count);
void verilog_line(Asm& a, std::string_view text);

}  // namespace ccasm
