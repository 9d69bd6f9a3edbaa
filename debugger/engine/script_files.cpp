#include "debugger/engine/script_files.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <string_view>

#include "debugger/engine/channels.h"
#include "debugger/engine/commands.h"
#include "debugger/engine/core.h"
#include "debugger/engine/evaluator.h"
#include "debugger/engine/handlers.h"
#include "debugger/engine/options.h"
#include "debugger/engine/scan.h"
#include "debugger/engine/typecode.h"
#include "debugger/target/output.h"
#include "debugger/target/services.h"
#include "support/double_text.h"
#include "support/number_text.h"

namespace vy {

ChannelRecord* channels;

// The precision of a conversion without one, and the most it may ask for.
constexpr int DEFAULTPRECISION = 6;
constexpr int MAXEXPONENTPRECISION = 17;
constexpr int MAXFIXEDPRECISION = 21;
// A floating number read by fread is at most this long.
constexpr int MAXNUMBERTEXT = 128;

void closechannels() {
    while (channels) {
        ChannelRecord* gone = channels;
        channels = gone->next;
        std::fclose(gone->file);
        delete gone;
    }
}

static ChannelRecord* findchannel(uint32_t number) {
    for (ChannelRecord* c = channels; c; c = c->next)
        if (c->number == number) return c;
    return nullptr;
}

// The end of an argument list: the end of the statement.
static bool argumentsend(const char* p) {
    p = skipblanks(p);
    return *p == '\0' || *p == ';' || *p == '}';
}

// ---------------------------------------------------------------------------
// The output engine

static std::string digits(uint32_t value, int base, bool upper) {
    char buffer[40];
    int32_t n = ultotext(buffer, value, base);
    std::string text(buffer, static_cast<std::size_t>(n));
    if (upper)
        for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string formatvalue(const PrintConversion& c, const ScriptValue& v) {
    std::string sign, prefix, body;
    char letter = c.letter;
    if (std::strchr("eEf", letter)) {
        double x = v.real ? v.floating : static_cast<double>(v.integer);
        if (std::signbit(x)) sign = "-";
        else if (c.plus) sign = "+";
        else if (c.space) sign = " ";
        char buffer[512];
        int32_t n;
        if (letter == 'f') {
            int precision = c.precision < 0 ? DEFAULTPRECISION : std::min(c.precision, MAXFIXEDPRECISION);
            n = dtofixed(buffer, std::fabs(x), 400, precision);
        } else {
            int precision = c.precision < 0 ? DEFAULTPRECISION : std::min(c.precision, MAXEXPONENTPRECISION);
            n = dtoexp(buffer, std::fabs(x), 1, precision);
            if (letter == 'E')
                for (int32_t i = 0; i < n; ++i) buffer[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(buffer[i])));
        }
        body.assign(buffer, static_cast<std::size_t>(n));
    } else {
        int32_t integer = v.real ? static_cast<int32_t>(std::isfinite(v.floating) && std::fabs(v.floating) < 2147483648.0
                                                            ? v.floating
                                                            : 0)
                                 : v.integer;
        auto value = static_cast<uint32_t>(integer);
        switch (letter) {
        case 'd':
        case 'i':
            if (integer < 0) {
                sign = "-";
                value = 0u - value;
            } else if (c.plus) {
                sign = "+";
            } else if (c.space) {
                sign = " ";
            }
            body = digits(value, 10, false);
            break;
        case 'u': body = digits(value, 10, false); break;
        case 'o':
            body = digits(value, 8, false);
            if (c.alternate) prefix = "0";
            break;
        case 'x':
        case 'X':
            body = digits(value, 16, letter == 'X');
            if (c.alternate) prefix = letter == 'X' ? "0X" : "0x";
            break;
        case 'p':
            body = digits(value, c.alternate ? 16 : 10, false);
            if (c.alternate) prefix = "0x";
            break;
        case 'c': body.assign(1, static_cast<char>(value)); break;
        default: break;
        }
        if (letter != 'c' && c.precision > static_cast<int>(body.size()))
            body.insert(0, static_cast<std::size_t>(c.precision) - body.size(), '0');
    }
    std::size_t length = sign.size() + prefix.size() + body.size();
    std::size_t fill = c.width > static_cast<int>(length) ? static_cast<std::size_t>(c.width) - length : 0;
    if (c.left) return sign + prefix + body + std::string(fill, ' ');
    if (c.zero) return sign + prefix + std::string(fill, '0') + body;
    return std::string(fill, ' ') + sign + prefix + body;
}

bool evalargument(const char*& position, ScriptValue& value) {
    int error = 0;
    ResultRecord* r = xexpr(&position, &error, 1);
    value = ScriptValue{};
    if (error) {
        dberror({msgtext(error), ": ", r->text, "\n"});
    } else if (isfloating(r->type)) {
        value.real = true;
        value.floating = r->value.real;
    } else {
        value.integer = intvalue(r);
    }
    xfree(r);
    return error == 0;
}

// The next argument's value; a ',' after it is stepped over. A value that
// cannot be evaluated (already reported) counts as 0.
static ScriptValue nextargument(const char*& arguments) {
    ScriptValue value;
    arguments = skipblanks(arguments);
    if (!evalargument(arguments, value)) value = ScriptValue{};
    arguments = skipblanks(arguments);
    if (*arguments == ',') ++arguments;
    return value;
}

int chanprintf(std::FILE* file, const char*& format, const char*& arguments) {
    int count = 0;
    auto put = [&](std::string_view text) {
        if (file) std::fwrite(text.data(), 1, text.size(), file);
        count += static_cast<int>(text.size());
    };
    const char*& f = format;
    while (*f) {
        if (*f == '\\') {
            char c = static_cast<char>(scanesc(f, nullptr));
            ++f;
            put(std::string_view(&c, 1));
            continue;
        }
        if (*f != '%') {
            put(std::string_view(f++, 1));
            continue;
        }
        const char* start = f++;
        PrintConversion c;
        for (;; ++f) {
            if (*f == '-') c.left = true;
            else if (*f == '+') c.plus = true;
            else if (*f == ' ') c.space = true;
            else if (*f == '#') c.alternate = true;
            else break;
        }
        if (*f == '*') {
            if (argumentsend(arguments)) {
                f = start;
                return count;
            }
            ++f;
            ScriptValue w = nextargument(arguments);
            int32_t width = w.real ? static_cast<int32_t>(w.floating) : w.integer;
            if (width < 0) {
                c.left = true;
                width = width == INT32_MIN ? INT32_MAX : -width;
            }
            c.width = width;
        } else {
            if (*f == '0') c.zero = true;
            for (; std::isdigit(static_cast<unsigned char>(*f)); ++f) c.width = std::min(c.width * 10 + (*f - '0'), 99999);
        }
        if (*f == '.') {
            ++f;
            c.precision = 0;
            if (*f == '*') {
                if (argumentsend(arguments)) {
                    f = start;
                    return count;
                }
                ++f;
                ScriptValue p = nextargument(arguments);
                c.precision = p.real ? static_cast<int>(p.floating) : p.integer;
                if (c.precision < 0) c.precision = -1;
            } else {
                for (; std::isdigit(static_cast<unsigned char>(*f)); ++f) c.precision = std::min(c.precision * 10 + (*f - '0'), 99999);
            }
        }
        if (*f == 'l' || *f == 'L' || *f == 'h') ++f;
        if (!*f) {
            f = start;
            return count;
        }
        c.letter = *f;
        if (std::strchr("diuoxXceEfp", c.letter)) {
            if (argumentsend(arguments)) {
                f = start;
                return count;
            }
            put(formatvalue(c, nextargument(arguments)));
        } else {
            put(std::string_view(f, 1));   // '%', 's', 'g' and the rest take no argument
        }
        ++f;
    }
    return count;
}

// ---------------------------------------------------------------------------
// The input engine

namespace {

// Characters of the file, or of console lines, one at a time with one
// character of push-back, counted for "%n". A file takes the character
// back itself, so that the next fread on the channel reads it again.
class Input {
public:
    explicit Input(std::FILE* file) : file_(file) {}

    int get() {
        int c;
        if (file_) {
            c = std::getc(file_);
        } else {
            c = pushed_ != NONE ? pushed_ : consolechar();
            pushed_ = NONE;
        }
        if (c != EOF) ++taken_;
        else ended_ = true;
        return c;
    }
    void unget(int c) {
        if (c == EOF) return;
        if (file_) std::ungetc(c, file_);
        else pushed_ = c;
        --taken_;
    }
    int peek() {
        int c = get();
        unget(c);
        return c;
    }
    uint32_t taken() const { return taken_; }
    bool ended() const { return ended_; }

private:
    static constexpr int NONE = -2;

    int consolechar() {
        while (at_ >= line_.size()) {
            if (!rdline(line_)) return EOF;
            line_ += '\n';
            at_ = 0;
        }
        return static_cast<unsigned char>(line_[at_++]);
    }

    std::FILE* file_;
    int pushed_ = NONE;
    uint32_t taken_ = 0;
    bool ended_ = false;
    std::string line_;
    std::size_t at_ = 0;
};

bool whitespace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// The digit value of a character, or 99.
int digitvalue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

}  // namespace

// Hands a value text with the next argument's text to the sink; false when
// there is no argument left.
static bool store(const char*& arguments, const std::string& value, ScanSink sink, void* context) {
    const char* p = skipblanks(arguments);
    if (argumentsend(p)) return false;
    const char* end = p + std::strcspn(p, ",;}");
    const char* last = end;
    while (last > p && isblankbyte(last[-1])) --last;
    arguments = *end == ',' ? end + 1 : end;
    sink(context, std::string(p, last), value);
    return true;
}

static std::string decimal(uint32_t value) { return digits(value, 10, false); }

// A value is assigned by running "updat", the argument and the value.
static void update(void*, const std::string& argument, const std::string& value) {
    std::string command = "updat " + argument + " " + value;
    docmd(command.c_str(), 0);
}

int chanscanf(std::FILE* file, const char*& format, const char*& arguments) {
    return scanformat(file, format, arguments, update, nullptr);
}

int scanformat(std::FILE* file, const char*& format, const char*& arguments, ScanSink sink, void* context) {
    Input in(file);
    int stored = 0;
    const char*& f = format;
    auto result = [&] { return stored == 0 && in.ended() ? -1 : stored; };

    while (*f) {
        if (*f == ' ' || *f == '\t' || *f == '\n') {
            // At least one white-space character, then all of them.
            int c = in.get();
            if (!whitespace(c)) {
                in.unget(c);
                return result();
            }
            while (whitespace(c = in.get())) {}
            in.unget(c);
            ++f;
            continue;
        }
        if (*f != '%' || f[1] == '%') {
            char want = *f;
            int c = in.get();
            if (c != static_cast<unsigned char>(want)) {
                in.unget(c);
                return result();
            }
            f += want == '%' ? 2 : 1;
            continue;
        }

        const char* start = f++;
        bool suppress = false;
        if (*f == '*') {
            suppress = true;
            ++f;
        }
        int width = 0;
        for (; std::isdigit(static_cast<unsigned char>(*f)); ++f) width = std::min(width * 10 + (*f - '0'), 1 << 20);
        bool hexstore = false;
        if (*f == 'h') hexstore = true;
        if (*f == 'l' || *f == 'L' || *f == 'h') ++f;
        char letter = *f;
        if (!letter || !std::strchr("ncs[diuoxXpeEfgG", letter)) {
            f = start;
            return result();
        }
        std::string set;
        bool negated = false;
        const char* after = f + 1;
        if (letter == '[') {
            const char* p = f + 1;
            if (*p == '^') {
                negated = true;
                ++p;
            }
            const char* close = std::strchr(p, ']');
            if (!close) {
                f = start;
                return result();
            }
            set.assign(p, close);
            after = close + 1;
        }
        if (!suppress && argumentsend(arguments)) {
            f = start;   // no argument left for the value
            return result();
        }
        if (letter != 'n' && letter != 'c' && letter != '[') {
            int c;
            while (whitespace(c = in.get())) {}
            in.unget(c);
        }

        // Each value read goes to the next argument; false when none is left.
        auto keep = [&](const std::string& text) {
            if (suppress) return true;
            if (!store(arguments, text, sink, context)) return false;
            ++stored;
            return true;
        };
        bool converted = false;
        if (letter == 'n') {
            converted = keep(decimal(in.taken()));
        } else if (letter == 'c' || letter == 's' || letter == '[') {
            int most = width > 0 ? width : (letter == 'c' ? 1 : INT32_MAX);
            int n = 0;
            for (; n < most; ++n) {
                int c = in.get();
                bool takes = c != EOF;
                if (letter == 's') takes = takes && !whitespace(c);
                if (letter == '[') takes = takes && ((set.find(static_cast<char>(c)) != std::string::npos) != negated);
                if (!takes) {
                    in.unget(c);
                    break;
                }
                if (!keep(decimal(static_cast<unsigned char>(c)))) {
                    f = start;
                    return result();
                }
            }
            converted = n > 0;
            if (converted && letter == 's') {
                int ending = in.peek();
                if (ending != EOF) keep(decimal(static_cast<unsigned char>(ending)));
            }
            if (converted && letter == '[') keep("0");
        } else if (std::strchr("eEfgG", letter)) {
            // Sign, digits, one '.', and an exponent with an optional sign.
            int most = width > 0 ? std::min(width, MAXNUMBERTEXT) : MAXNUMBERTEXT;
            std::string text;
            bool mantissa = false, point = false, exponent = false, exponentdigits = false;
            for (int c = in.get();; c = in.get()) {
                bool takes = static_cast<int>(text.size()) < most;
                char last = text.empty() ? 0 : text.back();
                if (!takes) {
                } else if ((c == '+' || c == '-') && (text.empty() || last == 'e' || last == 'E')) {
                } else if (c >= '0' && c <= '9') {
                    (exponent ? exponentdigits : mantissa) = true;
                } else if (c == '.' && !point && !exponent) {
                    point = true;
                } else if ((c == 'e' || c == 'E') && mantissa && !exponent) {
                    exponent = true;
                } else {
                    takes = false;
                }
                if (!takes) {
                    in.unget(c);
                    break;
                }
                text += static_cast<char>(c);
            }
            if (mantissa && (!exponent || exponentdigits)) {
                // A leading sign is kept apart from the argument by '='.
                converted = keep(text[0] == '-' || text[0] == '+' ? "=" + text : text);
            }
        } else {
            // Integers: a sign, then digits of the base, up to the width or
            // until the value would not fit 32 bits.
            int base = letter == 'o' ? 8 : (letter == 'x' || letter == 'X') ? 16 : 10;
            int most = width > 0 ? width : INT32_MAX;
            int used = 0;
            bool negative = false;
            int c = in.get();
            if ((c == '+' || c == '-') && used < most) {
                negative = c == '-';
                ++used;
                c = in.get();
            }
            if ((letter == 'i' || letter == 'p') && c == '0' && used < most) {
                int next = in.get();
                if (next == 'x' || next == 'X') {
                    base = 16;
                    used += 2;
                    c = in.get();
                } else {
                    in.unget(next);
                    if (letter == 'i') base = 8;
                }
            }
            uint64_t value = 0;
            int count = 0;
            for (; used < most && digitvalue(c) < base; c = in.get(), ++used, ++count) {
                uint64_t next = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digitvalue(c));
                if (next > 0xFFFFFFFFu) break;
                value = next;
            }
            in.unget(c);
            if (count > 0 || (base == 8 && letter == 'i')) {
                auto v32 = static_cast<uint32_t>(value);
                if (hexstore) converted = keep(hexaddr(negative ? 0u - v32 : v32));
                else converted = keep(negative && v32 ? "=-" + decimal(v32) : decimal(v32));
            }
        }
        if (!converted) {
            f = start;
            return result();
        }
        f = after;
    }
    return result();
}

// ---------------------------------------------------------------------------
// The commands

// "/C:" and a decimal number, or the letters of a command's options (in
// either case). Reports and gives false on a wrong option.
struct ChannelOptions {
    bool append = false;
    bool channel = false;
    uint32_t number = 0;
};

// A channel number: decimal digits, at most 10 and within 32 bits; false
// when there is none or it is wider. The position goes past every digit.
static bool channelnumber(const char*& p, uint32_t& number) {
    uint64_t n = 0;
    const char* start = p;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p)
        if (n <= UINT32_MAX) n = n * 10 + static_cast<uint64_t>(*p - '0');
    number = static_cast<uint32_t>(n);
    return p > start && p - start <= 10 && n <= UINT32_MAX;
}

static bool readchanneloptions(const char*& p, bool appendallowed, ChannelOptions& o) {
    const char* after = readoptions(skipblanks(p), [&](const char* at) -> const char* {
        char letter = optionletter(*at);
        if (letter == 'a' && appendallowed) {
            o.append = true;
            return at + 1;
        }
        if (letter != 'c') {
            dberror({"Unknown Option ", at, "\n"});
            return nullptr;
        }
        const char* q = at + 2;
        if (at[1] != ':' || !channelnumber(q, o.number)) {
            dberror({"Wrong option ", at, "\n"});
            return nullptr;
        }
        o.channel = true;
        return q;
    });
    if (!after) return false;
    p = after;
    return true;
}

// The rest of the line without the blanks around it.
static std::string restofline(const char* p) {
    p = skipblanks(p);
    const char* end = p + std::strlen(p);
    while (end > p && isblankbyte(end[-1])) --end;
    return std::string(p, end);
}

static bool fileexists(const char* name) {
    std::FILE* f = std::fopen(name, "r");
    if (f) std::fclose(f);
    return f != nullptr;
}

const char* dofopen(const char* text, int arg) {
    ChannelOptions o;
    const char* p = text;
    if (!readchanneloptions(p, true, o)) return CMD_END;
    if (!o.channel) {
        dberror({" Missing channel ", "\n"});
        return CMD_END;
    }
    if (findchannel(o.number)) {
        dberror({"Channel ", std::to_string(o.number), " already used", "\n"});
        return CMD_END;
    }
    std::string name = restofline(p);
    // An existing file is read and written from its start, not truncated.
#ifdef _WIN32
    const char* mode = o.append ? "a+t" : fileexists(name.c_str()) ? "r+t" : "w+t";
#else
    const char* mode = o.append ? "a+" : fileexists(name.c_str()) ? "r+" : "w+";
#endif
    std::FILE* file = name.empty() ? nullptr : std::fopen(name.c_str(), mode);
    if (!file) {
        dberror({"Can't Open:", name, "\n"});
        return CMD_END;
    }
    channels = new ChannelRecord{channels, file, o.number, name, false};
    return CMD_END;
}

// "[/C:]n" of fclose and rewind: the channel, or null after a report; the
// position goes past the number (all its digits, however many).
static ChannelRecord* channelarg(const char*& p) {
    p = skipblanks(p);
    if (*p == '/') {
        if ((p[1] != 'C' && p[1] != 'c') || p[2] != ':') {
            dberror({"Wrong option ", p, "\n"});
            p = CMD_END;
            return nullptr;
        }
        p += 3;
    }
    const char* digits = p;
    uint32_t number = 0;
    bool fits = channelnumber(p, number);
    if (p == digits) {
        dberror({" Missing channel ", "\n"});
        return nullptr;
    }
    ChannelRecord* c = fits ? findchannel(number) : nullptr;
    if (!c) dberror({"Unknown Channel:", fits ? std::to_string(number) : std::string(digits, p), "\n"});
    return c;
}

const char* dofclose(const char* text, int arg) {
    const char* p = text;
    ChannelRecord* c = channelarg(p);
    if (!c) return p;
    for (ChannelRecord** link = &channels; *link; link = &(*link)->next) {
        if (*link == c) {
            *link = c->next;
            break;
        }
    }
    std::fclose(c->file);
    delete c;
    return p;
}

const char* dorewind(const char* text, int arg) {
    const char* p = text;
    if (ChannelRecord* c = channelarg(p)) {
        std::rewind(c->file);
        c->lastread = false;
    }
    return p;
}

// What fwrite and fread share: the channel, the format between double
// quotes and the start of the argument list; false after a report.
struct Transfer {
    ChannelRecord* channel = nullptr;
    std::string format;
    const char* arguments = nullptr;
};

static bool readtransfer(const char* text, Transfer& t) {
    ChannelOptions o;
    const char* p = text;
    if (!readchanneloptions(p, false, o)) return false;
    if (!o.channel) {
        dberror({" Missing channel ", "\n"});
        return false;
    }
    t.channel = findchannel(o.number);
    if (!t.channel) {
        dberror({" Unknown Channel: ", std::to_string(o.number), "\n"});
        return false;
    }
    p = skipblanks(p);
    if (*p != '"') {
        dberror({"Missing Format ", "\n"});
        return false;
    }
    const char* open = ++p;
    while (*p && !(*p == '"' && p[-1] != '\\')) ++p;
    if (!*p) {
        dberror({"Invalid Format: ", open, "\n"});
        return false;
    }
    t.format.assign(open, p);
    p = skipblanks(p + 1);
    if (*p == ',') p = skipblanks(p + 1);
    t.arguments = p;
    return true;
}

// What an engine left: the rest of the format, or arguments not used.
static const char* finishtransfer(const char* format, const char* arguments) {
    if (*format) {
        dberror({"Format Error (or missing args) at: ", format, "\n"});
        return CMD_END;
    }
    if (!argumentsend(arguments)) {
        dberror({"Too many arguments: ", skipblanks(arguments), "\n"});
        return CMD_END;
    }
    return skipblanks(arguments);
}

const char* dofwrite(const char* text, int arg) {
    Transfer t;
    if (!readtransfer(text, t)) return CMD_END;
    const char* format = t.format.c_str();
    const char* arguments = t.arguments;
    // Between reading and writing a stream needs a seek.
    if (t.channel->lastread) std::fseek(t.channel->file, 0, SEEK_CUR);
    t.channel->lastread = false;
    chanprintf(t.channel->file, format, arguments);
    std::fflush(t.channel->file);
    return finishtransfer(format, arguments);
}

const char* dofread(const char* text, int arg) {
    Transfer t;
    if (!readtransfer(text, t)) return CMD_END;
    const char* format = t.format.c_str();
    const char* arguments = t.arguments;
    if (!t.channel->lastread) std::fseek(t.channel->file, 0, SEEK_CUR);
    t.channel->lastread = true;
    // The update commands of the stored values stay out of the command log.
    std::FILE* log = logfile;
    logfile = nullptr;
    chanscanf(t.channel->file, format, arguments);
    logfile = log;
    return finishtransfer(format, arguments);
}

const char* doremove(const char* text, int arg) {
    std::string name = restofline(text);
    if (std::remove(name.c_str()) != 0) dberror({"Can't remove file: ", name, "\n"});
    return CMD_END;
}

}  // namespace vy
