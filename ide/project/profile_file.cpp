// The portable side of the profile functions. A file is read into lines once
// and kept while it does not change on disk; a write edits the lines and
// writes the file again, leaving every line it did not change as it was.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ide/project/profile.h"
#include "support/file_read.h"

namespace vesk {
namespace {

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
    return s;
}

std::string lowered(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

enum class LineKind { other, section, key };

struct Line {
    std::string text;  // as in the file, without its line end
    std::string end;   // "\r\n", "\n" or "" (a last line without one)
    LineKind kind = LineKind::other;
    std::string name;  // section or key name, lower case
    bool has_value = false;
};

void classify(Line& line) {
    std::string_view t = trim(line.text);
    line.kind = LineKind::other;
    line.name.clear();
    line.has_value = false;
    if (t.empty()) return;
    if (t.front() == '[') {
        std::size_t close = t.find(']');
        if (close == std::string_view::npos) return;
        line.kind = LineKind::section;
        line.name = lowered(trim(t.substr(1, close - 1)));
        return;
    }
    line.kind = LineKind::key;
    std::size_t eq = t.find('=');
    line.has_value = eq != std::string_view::npos;
    line.name = lowered(trim(t.substr(0, eq)));
}

struct Section {
    std::size_t header;  // index of the "[...]" line
    std::size_t end;     // one past its last line
};

class ProfileText {
public:
    std::vector<Line> lines;

    void parse(const std::string& content) {
        lines.clear();
        std::size_t pos = 0;
        while (pos < content.size()) {
            std::size_t nl = content.find('\n', pos);
            Line line;
            if (nl == std::string::npos) {
                line.text = content.substr(pos);
                pos = content.size();
            } else {
                line.text = content.substr(pos, nl - pos);
                line.end = "\n";
                pos = nl + 1;
            }
            if (!line.text.empty() && line.text.back() == '\r') {
                line.text.pop_back();
                line.end.insert(0, "\r");
            }
            classify(line);
            lines.push_back(std::move(line));
        }
        index_.clear();
        indexed_ = false;
    }

    std::string content() const {
        std::string out;
        for (const Line& l : lines) out += l.text + l.end;
        return out;
    }

    std::optional<Section> find_section(const std::string& name) const {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].kind != LineKind::section || lines[i].name != name) continue;
            std::size_t end = i + 1;
            while (end < lines.size() && lines[end].kind != LineKind::section) ++end;
            return Section{i, end};
        }
        return std::nullopt;
    }

    // The line of a key, through an index made at the first lookup after a change.
    const Line* find_key(const std::string& section, const std::string& key) {
        if (!indexed_) build_index();
        auto s = index_.find(section);
        if (s == index_.end()) return nullptr;
        auto k = s->second.find(key);
        return k == s->second.end() ? nullptr : &lines[k->second];
    }

    void changed() {
        index_.clear();
        indexed_ = false;
    }

private:
    std::unordered_map<std::string, std::unordered_map<std::string, std::size_t>> index_;
    bool indexed_ = false;

    void build_index() {
        std::unordered_map<std::string, std::size_t>* keys = nullptr;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const Line& l = lines[i];
            if (l.kind == LineKind::section) {
                // Only the first section of a name counts.
                auto [it, fresh] = index_.try_emplace(l.name);
                keys = fresh ? &it->second : nullptr;
            } else if (l.kind == LineKind::key && keys) {
                keys->try_emplace(l.name, i);
            }
        }
        indexed_ = true;
    }
};

// The file last read, kept while its size and time stay the same.
struct CachedFile {
    std::string path;
    std::filesystem::file_time_type time;
    std::uintmax_t size = 0;
    ProfileText text;
};
CachedFile cache;

bool stamp(const std::string& path, std::filesystem::file_time_type& time, std::uintmax_t& size) {
    std::error_code ec;
    time = std::filesystem::last_write_time(path, ec);
    if (ec) return false;
    size = std::filesystem::file_size(path, ec);
    return !ec;
}

// The lines of a file (none when it cannot be read).
ProfileText& load(const std::string& path) {
    std::filesystem::file_time_type time;
    std::uintmax_t size = 0;
    bool present = stamp(path, time, size);
    if (present && cache.path == path && cache.time == time && cache.size == size) return cache.text;
    cache.path.clear();
    std::string content;
    if (present) {
        if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
            if (vy::read_whole(f, content) != vy::FileRead::ok) content.clear();
            std::fclose(f);
        }
    }
    cache.text.parse(content);
    if (present && stamp(path, cache.time, cache.size)) cache.path = path;
    return cache.text;
}

std::string value_of(const Line& line) {
    std::string_view t = trim(line.text);
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return "";
    std::string_view v = trim(t.substr(eq + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

std::string portable_read(const std::string& file, std::string_view section, std::string_view key) {
    const Line* line = load(file).find_key(lowered(trim(section)), lowered(trim(key)));
    return line ? value_of(*line) : "";
}

std::vector<std::string> portable_keys(const std::string& file, std::string_view section) {
    ProfileText& text = load(file);
    std::vector<std::string> keys;
    std::optional<Section> s = text.find_section(lowered(trim(section)));
    if (!s) return keys;
    for (std::size_t i = s->header + 1; i < s->end; ++i) {
        const Line& l = text.lines[i];
        if (l.kind != LineKind::key || !l.has_value) continue;
        std::string_view t = trim(l.text);
        std::string_view name = trim(t.substr(0, t.find('=')));
        if (name.empty() || name.front() == ';') continue;
        keys.emplace_back(name);
    }
    return keys;
}

bool save(const std::string& path, const std::string& content) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

Line make_line(std::string text) {
    Line line;
    line.text = std::move(text);
    line.end = "\r\n";
    classify(line);
    return line;
}

bool portable_write(const std::string& file, std::string_view section, std::string_view key,
                    std::string_view value) {
    // A line end inside the value would make lines of its own.
    value = value.substr(0, value.find_first_of("\r\n"));
    ProfileText text = load(file);
    std::string section_name = lowered(trim(section)), key_name = lowered(trim(key));
    if (std::optional<Section> s = text.find_section(section_name)) {
        std::size_t last = s->header;  // the last line of the section that is not blank
        bool replaced = false;
        for (std::size_t i = s->header + 1; i < s->end; ++i) {
            Line& l = text.lines[i];
            if (l.kind == LineKind::key && l.name == key_name) {
                std::string_view t = trim(l.text);
                l.text = std::string(trim(t.substr(0, t.find('=')))) + "=" + std::string(value);
                classify(l);
                replaced = true;
                break;
            }
            if (!trim(l.text).empty()) last = i;
        }
        if (!replaced) {
            Line& before = text.lines[last];
            if (before.end.empty()) before.end = "\r\n";
            text.lines.insert(text.lines.begin() + static_cast<std::ptrdiff_t>(last + 1),
                              make_line(std::string(trim(key)) + "=" + std::string(value)));
        }
    } else {
        if (!text.lines.empty() && text.lines.back().end.empty()) text.lines.back().end = "\r\n";
        text.lines.push_back(make_line("[" + std::string(trim(section)) + "]"));
        text.lines.push_back(make_line(std::string(trim(key)) + "=" + std::string(value)));
    }
    text.changed();
    if (!save(file, text.content())) {
        cache.path.clear();
        return false;
    }
    cache.text = std::move(text);
    cache.path = stamp(file, cache.time, cache.size) ? file : "";
    return true;
}

}  // namespace

const ProfileSide portable_profile = {"portable", portable_read, portable_write, portable_keys};

namespace {
#ifdef _WIN32
const ProfileSide* side_in_use = &platform_profile;
#else
const ProfileSide* side_in_use = &portable_profile;
#endif
}  // namespace

const ProfileSide& profile() { return *side_in_use; }
void use_profile(const ProfileSide& side) { side_in_use = &side; }

}  // namespace vesk
