// frames.c compiled for the host: each probe call notes the values of the
// expressions the debugger reads at that probe on the target.
#include "frames_host.h"

#include <initializer_list>
#include <type_traits>

namespace vy::host {

static std::vector<Note> notes;

template <class T>
static std::pair<std::string, Value> V(const char* name, T v) {
    Value value;
    if constexpr (std::is_floating_point_v<T>) {
        value.real = true;
        value.floating = static_cast<double>(v);
    } else {
        value.integer = static_cast<long long>(v);
    }
    return {name, value};
}

static void note(int id, const char* function, std::initializer_list<std::pair<std::string, Value>> values) {
    notes.push_back({id, function, values});
}

namespace frames {
#define main frames_main
#define probe(id) PROBE##id
#define WALKVALUES                                                                                              \
    {V("n", n), V("c", c), V("up->a", up->a), V("up->tag", up->tag), V("up->big", up->big), V("up->lo", up->lo), \
     V("up->hi", up->hi), V("sq", sq), V("f", f), V("d", d), V("*ip", *ip), V("here.a", here.a),               \
     V("here.tag", here.tag), V("here.big", here.big), V("here.lo", here.lo), V("here.hi", here.hi)}
#define PROBE1 note(1, "walk", WALKVALUES)
#define PROBE2 note(2, "walk", WALKVALUES)
#define PROBE3                                                                                              \
    note(3, "main", {V("top.a", top.a), V("top.tag", top.tag), V("top.big", top.big), V("top.lo", top.lo), \
                     V("top.hi", top.hi), V("total", total)})
#include "programs/frames.c"
#undef main
#undef probe
}  // namespace frames

std::vector<Note> framesnotes() {
    notes.clear();
    frames::frames_main();
    return notes;
}

}  // namespace vy::host
