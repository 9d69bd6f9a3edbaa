// Block placement and branch shortening: blocks reached by a jump are laid
// out after it so the jump falls through, jumps to jumps go straight to the
// end of the chain, and once the entry sequence is known, branches are
// sized, shortened or removed and exit sequences shared.
#include <vector>

#include "ccgen/ccgen.h"

namespace ccgen {

namespace {

bool passed_over(std::uint16_t code) {
    switch (code) {
    case CODE_EXIT:
    case CODE_TABLE:
    case CODE_LTABLE:
    case CODE_TEXT:
    case CODE_DELETED:
    case CODE_FALLIN:
    case CODE_SWITCH1: return true;
    default: return false;
    }
}

// Follows the target while its block starts with a jump, at most n steps.
void thread_target(CodeNode* item, int n) {
    LabelNode* t = item->target;
    for (int steps = 0; t && steps < n && t->head && t->head->code == CODE_JUMP && t->head->target; ++steps)
        t = t->head->target;
    if (t != item->target) {
        --item->target->refs;
        ++t->refs;
        item->target = t;
    }
}

void splice_after(CodeNode* item, LabelNode* t) {
    if (!t->head) return;
    t->tail->next = item->next;
    item->next = t->head;
}

}  // namespace

// The walk of a block, with the walks of the blocks that its conditional
// branches reach taken first, kept on a stack of its own so that no input
// can deepen the call stack.
void place_blocks(Gen& g, LabelNode* block, int n) {
    std::vector<CodeNode*> resume;
    CodeNode* item = block->head;
    for (;;) {
        if (!item) {
            if (resume.empty()) return;
            item = resume.back();
            resume.pop_back();
            continue;
        }
        if (passed_over(item->code) || !item->target) {
            item = item->next;
            continue;
        }
        thread_target(item, n);
        LabelNode* t = item->target;
        if (item->code == CODE_JUMP) {
            if (t->flags & (LF_KEPT | LF_INLINE)) {
                item = nullptr;  // the walk ends
                continue;
            }
            bool visited = t->flags & LF_VISITED;
            t->flags = static_cast<std::uint16_t>((t->flags | LF_INLINE) & ~LF_BLOCK);
            --t->refs;
            set_code_node(item, CODE_FALLIN, t, 0);
            splice_after(item, t);
            if (visited) {
                item = nullptr;
                continue;
            }
            t->flags |= LF_VISITED;
            item = item->next;
            continue;
        }
        if (!(t->flags & LF_VISITED)) {
            t->flags |= LF_VISITED | LF_INLINE | LF_BLOCK;
            resume.push_back(item->next);
            item = t->head;
            continue;
        }
        item = item->next;
    }
    (void)g;
}

bool in_short_range(std::int64_t target, std::int64_t here) {
    if (target == 0) return false;
    std::int64_t d = target - here;
    return d >= -126 && d < 130;
}

namespace {

bool is_conditional(std::uint16_t code) {
    switch (code) {
    case CODE_JUMP:
    case CODE_EXIT:
    case CODE_TABLE:
    case CODE_BRA:
    case CODE_TEXT:
    case CODE_DELETED:
    case CODE_FALLIN:
    case CODE_LTABLE:
    case CODE_SWITCH1: return false;
    default: return true;
    }
}

bool is_long(std::uint16_t code) {
    const BranchRow* r = branch_row(code);
    return r && r->size > 2;
}

// Step 1: addresses from the sizes as they stand.
void assign_addresses(Gen& g) {
    std::int64_t offset = 3;
    for (LabelNode* l = g.labels; l; l = l->next) {
        if (!(l->flags & LF_BLOCK)) continue;
        l->address = offset;
        for (CodeNode* c = l->head; c; c = c->next) {
            if ((c->code == CODE_EXIT || c->code == CODE_FALLIN) && c->target) c->target->address = offset;
            if (c->code == CODE_EXIT) c->size = g.epilogue_size;
            offset += c->size;
        }
    }
}

}  // namespace

void relax_branches(Gen& g) {
    bool changed = true;
    while (changed) {
        changed = false;
        assign_addresses(g);
        CodeNode* earlier_exit = nullptr;
        std::int64_t earlier_offset = 0;
        for (LabelNode* l = g.labels; l; l = l->next) {
            if (!(l->flags & LF_BLOCK)) continue;
            std::int64_t offset = l->address;
            for (CodeNode* c = l->head; c; offset += c->size, c = c->next) {
                if (is_conditional(c->code) && c->target) {
                    CodeNode* j = c->next;
                    const BranchRow* row = branch_row(c->code);
                    if (row && j && (j->code == CODE_JUMP || j->code == CODE_BRA) && j->target &&
                        c->target->address == offset + c->size + j->size) {
                        std::uint16_t inverse = j->code == CODE_JUMP ? row->long_inverse : row->short_inverse;
                        --c->target->refs;
                        set_code_node(c, inverse, j->target, branch_row(inverse)->size);
                        set_code_node(j, CODE_DELETED, nullptr, 0);
                        changed = true;
                    }
                }
                // a branch to the next item goes, a long one that reaches becomes short
                bool branch = branch_row(c->code) != nullptr;
                if (branch && c->target && in_short_range(c->target->address, offset)) {
                    if (c->target->address - offset == c->size) {
                        --c->target->refs;
                        set_code_node(c, CODE_DELETED, nullptr, 0);
                        changed = true;
                    } else if (is_long(c->code)) {
                        c->code = static_cast<std::uint16_t>(long_to_short(c->code));
                        c->size = 2;
                        changed = true;
                    }
                }
                if (c->code != CODE_EXIT) continue;
                if (!c->target && g.epilogue_size > 2 && earlier_exit) {
                    bool near = in_short_range(earlier_offset, offset) && earlier_offset != 0;
                    if (near || g.epilogue_size > 3) {
                        if (earlier_exit->target) {
                            set_code_node(c, near ? CODE_BRA : CODE_JUMP, earlier_exit->target, near ? 2 : 3);
                            ++c->target->refs;
                        } else {
                            LabelNode* shared = new_generated_label(g);
                            c->target = shared;
                            shared->address = offset;
                            set_code_node(earlier_exit, near ? CODE_BRA : CODE_JUMP, shared, near ? 2 : 3);
                            ++shared->refs;
                        }
                        changed = true;
                    }
                }
                if (c->code == CODE_EXIT) {
                    earlier_exit = c;
                    earlier_offset = offset;
                }
            }
        }
    }
}

}  // namespace ccgen
