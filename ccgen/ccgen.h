// State of the code generator ccgen: options, input and output, sections,
// the per-function code lists and labels, expression nodes and operand
// places. Every module works on one `Gen` record that the driver owns.
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ccgen {

struct Gen;

// ------------------------------------------------------------ options

struct Options {
    bool alu = false;             // alu: use the arithmetic unit
    bool asm_opt = false;         // a: no "VL:" after inline assembly lines
    bool no_bss = false;          // bss: uninitialised data in the data section
    bool check_stack = false;     // ck: call c_check in every entry sequence
    bool const_in_code = false;   // ct: constants in the text section
    int line_debug_kind = -1;     // dl#: -1 not given; 1 names the function
    bool full_listing = false;    // f
    bool listing = false;         // l
    bool no_opt = false;          // no: no optimiser hints, real branches
    int static_model = 0;         // st#: 0x01 zero page, 0x02 declared by .dcall
    int proc_type = 0;            // t?
    bool verbose = false;         // v
};

// ------------------------------------------------------------ output

// Output classes of what is written.
enum OutputClass : std::uint16_t {
    OC_DATA = 1,
    OC_CONST = 2,
    OC_TEXT = 4,
    OC_BSS = 8,
    OC_BSCT = 16,
    OC_EEPROM = 32,
    OC_DEBUG = 64,
};

enum : std::uint8_t { SECTION_DECLARED = 0x01, SECTION_PREDEFINED = 0x02 };

struct SectionRecord {
    std::uint8_t flags = 0;
    std::uint8_t cls = 0;
    std::string name;  // at most 13 characters
};

struct ClassEntry {
    std::uint16_t cls = 0;
    std::uint16_t effective = 0;
    SectionRecord* section = nullptr;
};

// One argument of `emit_asm`: a text for "%p" and "%S", a number for the
// other directives.
struct AsmArg {
    const char* text = nullptr;
    std::int32_t number = 0;
    bool is_text = false;

    AsmArg(const char* t) : text(t ? t : ""), is_text(true) {}
    AsmArg(const std::string& s) : text(s.c_str()), is_text(true) {}
    template <class I>
        requires std::is_integral_v<I>
    AsmArg(I v) : number(static_cast<std::int32_t>(v)) {}
};

// The engine that turns compact notation into assembly text.
struct AsmOut {
    std::FILE* file = nullptr;
    std::string path;        // the -o file, removed after a failed write
    bool created = false;    // this run created `path`
    std::array<std::uint8_t, 128> buffer{};
    std::uint16_t fill = 0;
    bool failed = false;
    int last_byte = '\n';
    // engine state, kept across calls
    bool in_comment = false;
    bool skip_class = false;
    bool raw = false;
    bool debug_string = false;
    bool split_percent = false;
    bool kept_separator = false;
    bool skip_label_pending = false;
    std::uint32_t skip_label = 0;
    // While a function's body is generated its output and diagnostics are
    // held back, in their order (true: a diagnostic), to be written or
    // dropped when it ends.
    bool holding = false;
    std::vector<std::pair<bool, std::string>> held;
};

// ------------------------------------------------------------ input

struct IrIn {
    std::FILE* file = nullptr;
    std::array<std::uint8_t, 128> buffer{};
    std::uint16_t count = 0;  // bytes not yet taken
    std::uint16_t pos = 0;    // read position in the buffer
    // A function's body can be generated again: its bytes are kept while
    // `keeping`, and taken again from `kept` while `replay_pos` is below
    // `replay_end`; after them, from the file when `then_read` (a body
    // given up before its end).
    std::vector<std::uint8_t> kept;
    bool keeping = false;
    bool then_read = false;
    bool last_replayed = false;  // the last byte taken came from `kept`
    std::size_t replay_pos = 0;
    std::size_t replay_end = 0;
};

constexpr int IR_EOF = 0xFFFF;

// One row of the space-modifier table.
struct SpaceKeyword {
    const char* name;
    std::uint16_t mask;
    std::uint16_t bits;
};

// Space bits, ccgen's own 16-bit word.
enum : std::uint16_t {
    SP_NEAR = 0x0001,
    SP_DIR = 0x0002,
    SP_EEPROM = 0x0004,
    SP_FAST = 0x0008,
    SP_PORT = 0x0010,
    SP_INTERRUPT = 0x0010,
    SP_BUILTIN = 0x0020,
    SP_FAR = 0x0040,
    SP_VOL = 0x0080,
    SP_CONST = 0x0100,
    SP_FUNC = 0x0200,
    SP_TINY = 0x0400,
    SP_NOSTACK = 0x0800,
    SP_KERNEL = 0x1000,
};

// ------------------------------------------------------------ expressions

// Register codes of operand places.
enum : std::uint8_t {
    REG_NONE = 0,
    REG_D = 8,
    REG_X = 9,
    REG_Y = 10,
    REG_S = 16,
    REG_FRAME = 17,  // the frame, addressed through X
    REG_TEMP = 18,   // a temporary in the frame
};

// Addressing modes asked of an operand besides those of mode_of_operand:
// evaluated for its effect only, or placed as the destination of an
// assignment.
constexpr std::uint16_t MODE_VOID = 0x200;
constexpr std::uint16_t MODE_DEST = 0x400;

// Register masks of free-register sets; 0x200 marks statement level.
enum : std::uint16_t {
    RM_D = 0x01,
    RM_X = 0x02,
    RM_Y = 0x04,
    RM_S = 0x20,
    RM_STATEMENT = 0x200,
    RM_TOP = 0x205,  // a statement's evaluation: D and Y free, statement level
};

// Offsets and constants from the input wrap as the target's 32 bits do.
inline std::int32_t wrap_add(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

// A place where a value is: the operand descriptor.
struct Operand {
    std::uint16_t type = 0;    // machine type; bit-field position and width above
    std::uint16_t space = 0;   // space bits of the value (pointers: of the object)
    std::int32_t offset = 0;   // constant value or offset
    const char* name = "";     // symbol in compact notation ("" none)
    std::uint8_t reg = 0;      // register code
    std::uint8_t ind = 0;      // indirection level: 0 address or value, 1 contents
    std::uint16_t flags = 0;   // operand flags (space bits of the operand)
};

// Expression node flags.
enum : std::uint16_t {
    NF_ROW4 = 0x4000,      // a row with flag 0x04 was applied
    NF_RAISED = 0x1000,    // a constant raised by one for a comparison
};

struct ExprNode {
    std::uint16_t code = 0;
    std::uint16_t type = 0;
    std::uint16_t space = 0;
    std::uint32_t struct_size = 0;
    ExprNode* left = nullptr;
    ExprNode* right = nullptr;
    ExprNode* third = nullptr;  // ?: false value, a call's result area
    Operand leaf;               // a leaf's own fields
    Operand place;              // where the value is now
    std::uint16_t flags = 0;
    std::uint8_t cls = 0;       // class settled by a row
    bool unused = false;        // the value is not used
    std::string text;           // a leaf's name, an _asm call's text
};

// Generation state saved before an attempt and restored when it fails.
struct GenState {
    std::uint32_t label_counter = 0;
    std::int32_t item_text = 0;
    std::uint16_t func_free = 0;
    std::int32_t store_pos = 0;
    std::uint16_t code_offset = 0;
    std::int16_t frame_low = 0;
    std::int16_t frame_cur = 0;
    std::uint16_t frame_flags = 0;
    std::uint16_t value = 0;
};

// A node's evaluation remembered for the statement: the same node asked
// for the same modes with the same free registers from the same state gives
// the same text, so an evaluation order or row tried again replays it. A
// failure is remembered at once; the text of a success from the second
// time it is asked for (a node asked once, as most are, costs nothing).
struct EvalKey {
    const ExprNode* node;
    std::uint16_t modes;
    std::uint16_t regs;
    std::uint32_t label_counter;
    std::int16_t frame_low;
    std::int16_t frame_cur;
    int move_count;
    bool operator==(const EvalKey&) const = default;
};

struct EvalKeyHash {
    std::size_t operator()(const EvalKey& k) const {
        std::size_t h = std::hash<const void*>()(k.node);
        for (std::uint32_t v : {static_cast<std::uint32_t>(k.modes) << 16 | k.regs, k.label_counter,
                                static_cast<std::uint32_t>(static_cast<std::uint16_t>(k.frame_low)) << 16 |
                                    static_cast<std::uint16_t>(k.frame_cur),
                                static_cast<std::uint32_t>(k.move_count)})
            h = h * 1000003u ^ v;
        return h;
    }
};

struct EvalResult {
    bool ok = false;
    bool kept = false;         // the text and state below are kept (asked twice)
    std::string text;          // what the evaluation stored
    std::uint16_t code_bytes = 0;
    std::uint32_t label_counter = 0;
    std::uint16_t func_free = 0;
    std::int16_t frame_low = 0;
    std::int16_t frame_cur = 0;
    std::uint16_t frame_flags = 0;
    Operand place;
    std::uint8_t cls = 0;
    std::uint16_t flags = 0;
};

// ------------------------------------------------------------ functions

enum : std::uint16_t {
    FRAME_ARGS = 0x01,
    FRAME_LOCALS = 0x02,
    FRAME_LINK = 0x04,
    FRAME_LREG = 0x08,
    FRAME_PUSHES = 0x10,
};

// Codes of the items of a code list.
enum : std::uint16_t {
    CODE_JUMP = 139,
    CODE_EXIT = 146,
    CODE_TABLE = 149,
    CODE_LTABLE = 189,
    CODE_BRA = 158,
    CODE_TEXT = 160,
    CODE_DELETED = 161,
    CODE_FALLIN = 162,
    CODE_SWITCH1 = 190,
};

// Label flags.
enum : std::uint16_t {
    LF_KEPT = 0x01,
    LF_VISITED = 0x02,
    LF_INLINE = 0x04,
    LF_BLOCK = 0x08,
    LF_FORWARD = 0x20,
};

struct LabelNode;

struct CodeNode {
    CodeNode* next = nullptr;
    std::uint16_t size = 0;
    std::uint16_t code = 0;
    std::uint16_t first_line = 0;
    std::uint16_t last_line = 0;
    const std::string* file = nullptr;  // -l: directory and name of its source
    LabelNode* target = nullptr;        // branches, fall-ins; an exit's own label
    std::uint32_t table_label = 0;      // table jumps
    std::int32_t text = -1;             // code-store position of its stored lines
};

struct LabelNode {
    LabelNode* next = nullptr;
    LabelNode* prev = nullptr;
    CodeNode* head = nullptr;  // the block that starts here
    CodeNode* tail = nullptr;
    std::int64_t address = 0;  // byte offset in the function; 0 unknown
    std::uint32_t number = 0;
    std::uint16_t refs = 0;
    std::uint16_t flags = 0;
    std::uint16_t line = 0;
};

// The text of the current function, in chunks of 512 bytes whose last byte
// stays NUL.
struct CodeStore {
    static constexpr std::int32_t CHUNK = 512;
    std::vector<std::unique_ptr<std::array<char, CHUNK>>> chunks;
    std::int32_t write_pos = 0;
    std::int32_t read_pos = 0;
};

// One entry of the branch table.
struct BranchRow {
    std::uint16_t code;
    const char* mnemonic;
    std::uint8_t size;
    std::uint8_t cls;
    std::uint16_t short_inverse;
    std::uint16_t long_inverse;
};

// A branch written in direct mode while a conditional operator is compiled.
struct DirectBranch {
    int kind;  // 0 jump, 100 label, else the short code's position
    std::uint32_t label;
    std::int32_t line_pos;
    std::uint16_t offset;
};

// ------------------------------------------------------------ the run

struct Gen {
    Options opt;
    std::string input_name;
    IrIn in;
    AsmOut out;
    std::FILE* err = nullptr;  // diagnostics; stderr when null
    bool errors = false;

    // header
    bool single_precision = false;
    bool no_promotion = false;
    bool full_debug = false;
    bool line_debug = false;

    // current source
    std::string file_name;   // the name proper ("t.c")
    std::string raw_name;    // 0x06, name, 0x06
    std::string directory;   // the directory part, or empty
    std::uint16_t line = 0;
    std::deque<std::string> listing_names;  // shared copies for code items
    std::uint16_t listed_last = 0;
    std::string listing_current;            // directory and name

    // sections
    std::deque<SectionRecord> sections;  // newest first is searched from the back
    std::array<ClassEntry, 7> classes{};
    std::array<SectionRecord*, 7> initial_sections{};
    SectionRecord* current_section = nullptr;
    std::vector<std::string> runtime_refs;  // newest last
    std::vector<std::string> extern_refs;   // newest last

    // reader
    std::array<SpaceKeyword, 14> spaces{};
    std::uint16_t next_space_bit = 0x0100;
    std::array<std::uint8_t, 15> eval_size{};
    std::array<std::uint8_t, 15> size_class{};
    std::array<std::uint8_t, 15> promoted{};
    std::string name_buffer;     // the shared name text
    std::string last_name;       // the name bytes of the last name read
    bool verbatim = false;       // a file-level verbatim block is open
    struct PoolEntry {
        std::uint32_t value;
        std::string label;
    };
    std::deque<PoolEntry> long_pool;
    struct FarEntry {
        std::string name;
        std::string label;
    };
    std::deque<FarEntry> far_pool;
    struct DoubleEntry {
        std::string bytes;  // the target's eight bytes
        std::string label;
    };
    std::deque<DoubleEntry> double_pool;
    std::set<std::string> names;  // texts that operands name, kept for the run
    std::uint32_t interrupt_entry = 0;  // label of the file's entry for calls of interrupt functions
    std::uint32_t pool_label_high = 0;  // highest label written by a pool
    std::uint32_t switch_table = 0;    // T and F of a 1-byte switch
    std::uint32_t switch_default = 0;
    int tree_depth = 0;

    // labels
    std::uint32_t label_counter = 1;  // generated labels are odd: 3, 5, ...

    // the current function
    std::string func_name;      // assembly name ("<@main")
    std::string plain_name;     // "main"
    std::string frame_name;     // static frame of a nostack function
    std::uint16_t func_attrs = 0;
    char func_kind = 0;         // 'n', 'r', 'w'
    std::int16_t frame_low = 0;
    std::int16_t frame_cur = 0;
    std::uint16_t frame_flags = 0;
    // Frame places are classified as if the frame were at least this low.
    std::int16_t frame_floor = 0;
    // The lowest final frame for which every frame place classified so far
    // as reached by a small index still is: the body is generated again,
    // with the final frame as its floor, when the frame ends lower.
    mutable std::int32_t frame_need = INT32_MIN;
    // The lowest frame any evaluation reached, those given up included;
    // while `frame_retry`, a panic after a small index that such a frame
    // put out of reach gives up the generation for a more cautious one.
    std::int16_t frame_reached = 0;
    bool frame_retry = false;
    // the frame as it was before the latest result area of a call, which
    // an assignment that gives the call its destination instead gives back
    struct {
        std::int16_t offset = 1;  // the area's offset; 1: none
        std::int16_t frame_low = 0, frame_cur = 0;
        std::uint16_t frame_flags = 0;
    } last_area;
    int regarg_size = 0;
    int stackarg_size = 0;
    int result_type = 0;
    bool stackless = false;
    bool stack_only_args = false;
    std::uint16_t epilogue_size = 4;
    int dead_depth = 0;
    std::uint16_t code_offset = 0;
    std::uint16_t first_line = 0;   // record 251
    std::uint16_t brace_line = 0;
    std::uint16_t end_line = 0;     // of the current statement (record 188)
    std::uint16_t stmt_free = 4;
    std::uint16_t func_free = 4;
    int ofst = 0;
    int exit_number = 0;
    int label_records = 0;
    bool in_function = false;
    bool writing_code = false;

    LabelNode* labels = nullptr;  // definition order
    LabelNode* labels_tail = nullptr;
    LabelNode* open = nullptr;    // the label whose list is being filled
    std::deque<LabelNode> label_pool;  // emptied for each function
    std::unordered_map<std::uint32_t, LabelNode*> label_index;
    std::deque<CodeNode> code_pool;
    CodeNode* stmt_item = nullptr;  // the last item the statement appended
    CodeStore store;
    std::int32_t pending_lines = -1;  // stored debug lines waiting for an item
    std::int32_t item_text = 0;       // where the current item's text starts

    // expressions
    std::deque<ExprNode> nodes;  // freed per statement
    ExprNode empty_node;         // the right operand of unary nodes
    Operand zero;                // the constant 0 of tests
    int move_count = 10;
    std::unordered_map<EvalKey, EvalResult, EvalKeyHash> evaluations;  // of the current statement
    long attempts = 0;           // nodes generated for the current statement
    std::uint16_t condition_class = 0;
    bool recording = false;
    std::vector<DirectBranch> direct_branches;
};

// ============================================================ modules

// ---- support.cpp: numbers, labels, floats, diagnostics
std::string label_text(std::uint32_t number);
int stotext16(char* buffer, std::int16_t value, int base);
std::string short_text(std::int16_t value, int base);
std::string long_text(std::int32_t value, int base);
std::uint16_t be16(std::uint8_t high, std::uint8_t low);
int split_double(const std::uint8_t host[8], std::uint8_t out[8]);
void target_float(const std::uint8_t host[8], bool wide, std::uint8_t out[8]);
char name_marker(const Gen& g, std::string_view name);
std::string plain_name_of(std::string_view name);
std::uint32_t new_label_number(Gen& g);
void generr(Gen& g, std::string_view message, std::string_view argument = {});
[[noreturn]] void genpanic(Gen& g, std::string_view text);
struct FrameRetry {};  // thrown by genpanic for a generation to be made again
[[noreturn]] void genfatal(Gen& g, std::string_view message);
[[noreturn]] void end_run(Gen& g, int status);
[[noreturn]] void write_failed(Gen& g);
void write_diagnostic(Gen& g, const std::string& text);

// ---- output.cpp: the compact notation, sections, references
void out_char(Gen& g, int byte);
void out_flush(Gen& g);
void put_chars(Gen& g, std::string_view text);
void release_output(Gen& g);
int emit_asm_v(Gen& g, const char* text, const AsmArg* args, std::size_t count);
template <class... A>
int emit_asm(Gen& g, const char* text, A&&... args) {
    const AsmArg list[] = {AsmArg(args)..., AsmArg(0)};
    return emit_asm_v(g, text, list, sizeof...(A));
}
void write_file_head(Gen& g);
void write_file_end(Gen& g);
void init_sections(Gen& g);
SectionRecord* find_section(Gen& g, std::uint8_t flags, std::uint8_t cls, std::string_view name);
void write_section_switch(Gen& g, SectionRecord* s);
void select_section(Gen& g, std::uint16_t cls);
void set_class_section(Gen& g, std::uint16_t word, std::uint16_t space, std::string_view name);
std::size_t name_length(std::string_view name);
void note_runtime_ref(Gen& g, std::string_view name);
void write_runtime_refs(Gen& g);
void note_extern_ref(Gen& g, std::string_view name);
void write_extern_refs(Gen& g);
void call_runtime(Gen& g, std::string_view name);
std::string jump_runtime_text(Gen& g, std::string_view name);

// ---- spaces.cpp: space modifiers
void init_spaces(Gen& g);
std::uint16_t map_space_modifiers(Gen& g, std::uint16_t word);
void define_space(Gen& g, std::string_view name);
std::uint16_t space_class(std::uint16_t space);
std::uint16_t space_access_kind(std::uint16_t pointer_space);

// ---- irread.cpp: reading the intermediate file, data emission
int next_input_byte(Gen& g);
void unread_ir_byte(Gen& g, int byte);
std::uint8_t read_ir_byte(Gen& g);
std::uint16_t read_ir_word(Gen& g);
std::uint32_t read_ir_long(Gen& g);
const std::string& read_ir_name(Gen& g, std::string* buffer = nullptr);
std::uint16_t read_ir_node_type(Gen& g, std::uint16_t& space, std::uint16_t& pointer, std::uint32_t& size);
std::uint32_t read_ir_symbol_attrs(Gen& g, std::uint16_t& space, std::string_view name);
ExprNode* read_ir_tree(Gen& g);
int read_ir_records(Gen& g, int mode);
std::string read_asm_text(Gen& g);
int read_switch_table(Gen& g);
std::string long_const_label(Gen& g, std::uint32_t value);
void init_reader(Gen& g);
void apply_char_config(Gen& g);
void set_source_file(Gen& g, const std::string& name_text);
char function_kind(const Gen& g, std::string_view name);
void end_verbatim(Gen& g);
std::string far_descriptor(Gen& g, std::string_view name);

// ---- exprnode.cpp: nodes and operand places
ExprNode* new_expr(Gen& g);
void free_exprs(Gen& g);
void init_operand(Operand& o, std::uint16_t type, std::uint16_t space, std::uint8_t reg, std::uint8_t ind);
ExprNode* addrof(Gen& g, ExprNode* n);
void make_temp_operand(Gen& g, ExprNode* n, std::uint32_t size);
ExprNode* call_into_target(Gen& g, ExprNode* assign);
void drop_result_area(Gen& g, const ExprNode* area);
bool is_leaf(const ExprNode* n);
bool is_const(const Operand& o);
bool is_const_or_direct(const Operand& o);
bool is_symbol_const(const Operand& o);
std::uint16_t reg_of(const Operand& o);
bool is_unary_op(int code);
std::uint16_t operand_flags(const ExprNode* n);
std::uint16_t result_mask(const Operand& o);
std::uint16_t mode_of_operand(const Gen& g, const Operand& o);
std::uint16_t mode_of_tree(const Gen& g, const ExprNode* n);
std::uint16_t mode_class(std::uint16_t value);
std::uint32_t field_mask(std::uint16_t type);
std::uint8_t type_class(std::uint16_t type);
std::uint8_t promote_class(std::uint8_t cls);
std::uint8_t unsigned_class(std::uint8_t cls);
int class_order(std::uint8_t cls);
std::uint16_t reg_to_mask(std::uint8_t reg);
std::uint8_t mask_to_reg(std::uint16_t mask);
std::uint16_t take_free_reg(Gen& g, std::uint16_t mask);
bool same_place(const Operand& a, const Operand& b);
void save_gen_state(const Gen& g, GenState& s, std::uint16_t value = 0);
std::uint16_t restore_gen_state(Gen& g, const GenState& s);
std::int16_t alloc_temp(Gen& g, int size);

// ---- codestore.cpp: the text of the current function
void store_reset(Gen& g);
void code_bytes(Gen& g, const char* bytes, std::size_t count);
void code_text(Gen& g, std::string_view text);
void code_end_piece(Gen& g);
const char* code_read_chunk(Gen& g);
void replay_text(Gen& g, std::int32_t pos);

// ---- templates.cpp: rows, row selection and expansion
struct TemplateRow {
    std::uint8_t left;
    std::uint8_t right;
    std::uint8_t flags;
    std::uint8_t first;  // special rows: handler number (+0x40 for a skip row)
    const char* text;
};
struct OperatorRows {
    std::uint8_t codes[3];
    const TemplateRow* rows;
    std::size_t count;
};
const OperatorRows* operator_rows(int code);
int operator_flag(int code);
// A special handler: the text to expand for the row, or false when it
// cannot serve.
using SpecialHandler = bool (*)(Gen& g, ExprNode* n, std::uint16_t free, const TemplateRow& row, std::string& text);
extern const SpecialHandler special_handlers[11];
bool fits(const Gen& g, const ExprNode* n, const Operand& o, std::uint8_t desc, std::uint16_t modes, std::uint8_t cls);
const TemplateRow* select_row(Gen& g, ExprNode* n, const Operand* left_given, std::uint16_t free);
std::vector<const TemplateRow*> select_rows(Gen& g, ExprNode* n, const Operand* left_given, std::uint16_t free);
std::uint16_t descriptor_modes(std::uint8_t desc);
bool expand_template(Gen& g, ExprNode* n, const TemplateRow* row, const char* text, std::uint16_t free);
bool operand_text(Gen& g, const Operand& o, int k, int part, int stem, bool complement, std::string& out, int& size);

// ---- address.cpp: addresses brought into registers
struct AddrText {
    std::string text;  // compact notation, instructions ended by ';'
    int size = 0;      // bytes
    void add(const std::string& s, int bytes);
};
bool address_into_y(Gen& g, const Operand& o, AddrText& t);
bool address_into_d(Gen& g, const Operand& o, AddrText& t);
bool form_address(Gen& g, const Operand& o, std::uint8_t target, AddrText& t);

// ---- exprgen.cpp: expression code
bool gen_node(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs);
bool force_reg(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs);
bool find_template(Gen& g, ExprNode* n, const Operand* left_given, std::uint16_t regs);
bool apply_row(Gen& g, ExprNode* n, const TemplateRow* row, std::uint16_t regs);
bool gen_void(Gen& g, ExprNode* tree, std::uint16_t regs);
bool settle(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs);
bool is_assignment(int code);
int class_bytes(std::uint8_t cls);
bool bit_field_class(std::uint8_t cls);
std::uint16_t held_mask(const Operand& o);
void emit_code(Gen& g, const std::string& text, int size);
ExprNode* place_leaf(Gen& g, const Operand& o);
ExprNode* cast_node(Gen& g, ExprNode* x, std::uint16_t type);
const char* kept_name(Gen& g, const std::string& text);
bool expand_places(Gen& g, const Operand& left, const Operand& right, const std::string& text, std::uint16_t regs);
bool move_to(Gen& g, ExprNode* n, const Operand& dest, std::uint16_t regs);
std::int16_t alloc_value_temp(Gen& g, int bytes, Operand& t, std::uint16_t type);

// ---- convert.cpp: conversions and double arithmetic
bool gen_cast(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs);
bool gen_double_operation(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs);
std::string double_const_label(Gen& g, double value);

// ---- calls.cpp: calls, arguments, results, builtins
bool emit_call(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs);

// ---- branches.cpp: compare and branch, switches
const BranchRow* branch_row(int code);
const char* branch_mnemonic(int code);
int long_to_short(int code);
int choose_branch(Gen& g, ExprNode* cmp, ExprNode*& left, ExprNode*& right, int code);
void emit_cond_branch(Gen& g, bool direct, int code, std::uint32_t target, ExprNode* left, ExprNode* right,
                      std::uint16_t regs);
std::uint32_t branch_false(Gen& g, ExprNode* tree, std::uint32_t label, std::uint32_t define_after,
                           std::uint16_t regs);
std::uint32_t branch_true(Gen& g, ExprNode* tree, std::uint32_t label, std::uint32_t define_after,
                          std::uint16_t regs);
void emit_switch_chain(Gen& g, std::uint32_t default_label);
void emit_inline_asm(Gen& g, std::string_view text);
std::string asm_block_text(Gen& g, std::string_view text);
bool emit_conditional(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs);
bool gen_truth_value(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs);

// ---- function.cpp: the statement loop and code lists
LabelNode* find_label(Gen& g, std::uint32_t number);
CodeNode* new_code_node(Gen& g, std::uint16_t code, LabelNode* target, std::uint16_t size);
void set_code_node(CodeNode* c, std::uint16_t code, LabelNode* target, std::uint16_t size);
void append_item(Gen& g, CodeNode* c);
void append_branch(Gen& g, std::uint16_t code, LabelNode* target, std::uint16_t size);
void begin_text(Gen& g);
void append_text_item(Gen& g);
LabelNode* new_generated_label(Gen& g);
void move_label_last(Gen& g, LabelNode* l);
void free_function(Gen& g);
int compile_function(Gen& g);
void emit_line_record(Gen& g, std::uint16_t line, std::uint16_t column, std::uint16_t end_line,
                      std::uint16_t end_column);
void list_source(Gen& g, std::uint16_t first, std::uint16_t last);

// ---- placement.cpp: block placement and branch shortening
void place_blocks(Gen& g, LabelNode* block, int n);
void relax_branches(Gen& g);
bool in_short_range(std::int64_t target, std::int64_t here);

// ---- prologue.cpp: entry and exit sequences
std::string emit_prologue(Gen& g);
std::string stack_adjust_text(Gen& g, int n);

// ---- emit.cpp: writing a function's placed blocks
void emit_function_code(Gen& g, const std::string& exit_text);

// ---- main.cpp
int code_generator_main(int argc, char** argv);

}  // namespace ccgen
