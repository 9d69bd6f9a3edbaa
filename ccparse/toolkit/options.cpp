// The option parser: descriptor strings drive the matching, the usage text
// lists them, and "help" and "vers" end the program with status 1.
#include "ccparse/toolkit/toolkit.h"

#include <cstring>
#include <string>

namespace vy {

// ---------------------------------------------------------- OptionList

void OptionList::reset(int capacity) {
    if (capacity < 0) capacity = 0;
    slots_.assign(static_cast<std::size_t>(capacity) + 1, nullptr);
    free_ = capacity;
    owned_.clear();
}

bool OptionList::add(const char* value) {
    if (free_ <= 0) return false;
    --free_;
    slots_[static_cast<std::size_t>(free_) + 1] = value;
    return true;
}

const char* OptionList::keep(std::string_view text) { return owned_.emplace_back(text).c_str(); }

std::vector<const char*> OptionList::newest_first() const {
    std::vector<const char*> values;
    for (int i = free_ + 1; i <= capacity(); ++i) values.push_back(slot(i));
    return values;
}

std::vector<const char*> OptionList::oldest_first() const {
    std::vector<const char*> values;
    for (int i = capacity(); i > free_; --i) values.push_back(slot(i));
    return values;
}

// ---------------------------------------------------------- usage text

void optionhook() {}

std::string usage_text(const char* title, const char* usage_tail,
                       std::span<const OptionDescriptor> options) {
    std::string text;
    if (usage_tail) {
        text += banner_text(title);
        text += "\nusage: ";
        text += progname();
        text += " [options] ";
        text += usage_tail;
        text += '\n';
    }
    for (const OptionDescriptor& option : options) {
        if (option.text[0] == '<') continue;
        text += "    ";
        if (option.text[0] != '+') text += '-';
        text += option.text;
        text += '\n';
    }
    return text;
}

// -------------------------------------------------------------- parser

namespace {

bool is_kind(char c) { return c == '#' || c == '*' || c == '?' || c == '>'; }
bool ends_descriptor(char c) { return c == ' ' || c == '\t' || c == '\0'; }

// The words still to be read: `argv[0]` is the current word.
struct Words {
    int& argc;
    char**& argv;
    // Takes the next word as an operand of the current option, when there is one.
    const char* take_next() {
        if (argc <= 1) return nullptr;
        --argc;
        ++argv;
        return argv[0];
    }
};

// The value an option is building: a number or a text.
struct OptionValue {
    std::int32_t number = 1;
    const char* text = nullptr;
    bool is_text = false;
};

void store(const OptionTarget& target, const OptionValue& value) {
    if (auto* number = std::get_if<int*>(&target)) {
        if (*number) **number = value.number;
    } else if (auto* text = std::get_if<const char**>(&target)) {
        if (*text) **text = value.is_text ? value.text : nullptr;
    }
}

// Reads a number operand; ends the program when it does not use its whole text.
std::int32_t read_number(const char* rest, Words& words) {
    const char* text = rest;
    if (!*text) {
        text = words.take_next();
        if (!text) return 0;
    }
    std::int32_t number = 0;
    const char* end = getnum(text, &number, 1);
    if (*end) {
        std::string message = "invalid number: ";
        message.append(text, static_cast<std::size_t>(end - text) + 1);
        message += '\n';
        toolwrite(message);
        toolexit(1);
    }
    return number;
}

// Tries one descriptor at `*cursor`. Returns true when it matched; the
// option's value is then stored and `*cursor` points past what was used.
bool try_descriptor(const OptionDescriptor& option, const char** cursor, Words& words) {
    const char* d = option.text;
    if (*d == '<') ++d;
    const char* p = *cursor;
    OptionValue value;
    for (;; ++d) {
        char c = *d;
        if (ends_descriptor(c)) {
            store(option.target, value);
            break;
        }
        if (!is_kind(c)) {
            if (*p != c) return false;
            ++p;
            continue;
        }
        if (c == '#') {
            bool forced = d[1] == '#';
            if (forced) ++d;
            std::int32_t number = read_number(p, words);
            p += std::strlen(p);
            value.number = number;
            if (forced) value.is_text = false;
        } else if (c == '*') {
            const char* text = p;
            if (!*text) {
                const char* next = words.take_next();
                text = next ? next : "";
            }
            p += std::strlen(p);
            value.text = text;
            value.is_text = true;
        } else if (c == '?') {
            value.number = static_cast<unsigned char>(*p);
            value.is_text = false;
            if (*p) ++p;
        } else {  // '>'
            auto* list = std::get_if<OptionList*>(&option.target);
            if (!list || !*list || !(*list)->add(value.is_text ? value.text : nullptr)) {
                toolwrite("argument list overflow\n");
                toolexit(1);
            }
            break;
        }
    }
    *cursor = p;
    return true;
}

}  // namespace

void parse_command_line(int& argc, char**& argv, const char* title, const char* usage_tail,
                        std::span<const OptionDescriptor> options) {
    if (!*progname()) setprogname(argc > 0 ? argv[0] : "");
    optionhook();
    Words words{argc, argv};
    bool any_option = false;
    for (;;) {
        ++argv;
        --argc;
        if (argc <= 0) {
            argc = 0;
            break;
        }
        const char* word = argv[0];
        const char* text;
        if (word[0] == '-') {
            if (word[1] == '\0') break;
            if (word[1] == '-' && word[2] == '\0') {
                ++argv;
                --argc;
                break;
            }
            text = word + 1;
        } else if (word[0] == '+') {
            text = word;
        } else {
            break;
        }

        if (std::strncmp(text, "help", 4) == 0) {
            toolwrite(usage_text(title, usage_tail, options));
            toolexit(1);
        }
        if (std::strncmp(text, "vers", 4) == 0) {
            toolwrite(version_line(title));
            toolexit(1);
        }

        const char* cursor = text;
        while (*cursor) {
            bool matched = false;
            for (const OptionDescriptor& option : options) {
                if (try_descriptor(option, &cursor, words)) {
                    matched = true;
                    break;
                }
            }
            if (!matched) {
                if (!usage_tail) return;
                std::string message = progname();
                message += ": unknown option ";
                if (text[0] != '+') message += '-';
                message += cursor;
                message += '\n';
                toolwrite(message);
                toolexit(1);
            }
        }
        any_option = true;
    }
    if (!usage_tail) return;
    expandwild(argc, argv);
    if (!any_option && argc == 0) {
        toolwrite(usage_text(title, usage_tail, options));
        toolexit(1);
    }
}

}  // namespace vy
