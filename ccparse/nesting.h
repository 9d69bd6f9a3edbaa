// A bound on the nesting of recursive parses (declarators, structures,
// expressions, macro invocations), so that hostile input cannot exhaust the
// stack: past the bound the construct is reported once and not entered.
#pragma once

namespace vy::cc {

constexpr int nesting_limit = 256;
// Nested macro invocations hold a copy of their arguments each: a lower bound
// keeps the memory of hostile nesting small.
constexpr int macro_nesting_limit = 128;

// The depth of one kind of nesting.
struct Nesting {
    int depth = 0;
    bool reported = false;  // "nesting too deep" was reported since depth 0
};

// Counts one level for its lifetime; `ok()` is false past the bound, and the
// first level past it reports "nesting too deep" (once until the outermost
// level ends).
class NestingGuard {
public:
    explicit NestingGuard(Nesting& nesting, int limit = nesting_limit);
    ~NestingGuard() {
        if (--nesting_.depth == 0) nesting_.reported = false;
    }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
    bool ok() const { return ok_; }

private:
    Nesting& nesting_;
    bool ok_;
};

}  // namespace vy::cc
