// A map from names to pointers for the assembler's hot lookups (symbols and
// operations): open addressing over a power-of-two table, so that a lookup
// is one hash, a mask and a short probe.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ccasm {

inline uint64_t name_hash(std::string_view s) {
    uint64_t h = 14695981039346656037ull;  // FNV-1a
    for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
    return h ^ (h >> 29);
}

template <typename T>
class NameTable {
public:
    T* find(std::string_view name) const {
        if (slots_.empty()) return nullptr;
        uint64_t h = name_hash(name);
        for (size_t i = h & mask_;; i = (i + 1) & mask_) {
            const Slot& s = slots_[i];
            if (!s.value) return nullptr;
            if (s.hash == h && s.name == name) return s.value;
        }
    }

    // Inserts or replaces the value of a name.
    void set(std::string_view name, T* value) {
        if ((count_ + 1) * 4 > slots_.size() * 3) grow();
        uint64_t h = name_hash(name);
        for (size_t i = h & mask_;; i = (i + 1) & mask_) {
            Slot& s = slots_[i];
            if (!s.value) {
                s = Slot{h, std::string(name), value};
                ++count_;
                return;
            }
            if (s.hash == h && s.name == name) {
                s.value = value;
                return;
            }
        }
    }

    void clear() {
        slots_.clear();
        count_ = 0;
        mask_ = 0;
    }

    // Calls f(name, value) for every entry.
    template <typename F>
    void each(F f) const {
        for (const Slot& s : slots_)
            if (s.value) f(s.name, s.value);
    }

private:
    struct Slot {
        uint64_t hash = 0;
        std::string name;
        T* value = nullptr;
    };

    void grow() {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(old.empty() ? 64 : old.size() * 2, Slot());
        mask_ = slots_.size() - 1;
        count_ = 0;
        for (Slot& s : old)
            if (s.value) {
                for (size_t i = s.hash & mask_;; i = (i + 1) & mask_)
                    if (!slots_[i].value) {
                        slots_[i] = std::move(s);
                        ++count_;
                        break;
                    }
            }
    }

    std::vector<Slot> slots_;
    size_t count_ = 0;
    size_t mask_ = 0;
};

}  // namespace ccasm
