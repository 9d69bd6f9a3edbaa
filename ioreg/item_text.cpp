#include "ioreg/item_text.h"

#include <cstdio>

#include "ioreg/typed_number.h"

namespace vy {

static std::string hex(uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(value));
    return text;
}

// "[00001020] NAME": the address in eight digits and the name.
static std::string addressname(const IodRegister* reg) {
    char text[16];
    std::snprintf(text, sizeof text, "[%08x] ", static_cast<unsigned>(reg->address));
    return text + std::string(reg->name);
}

std::string RegisterText(const IodRegister* reg) { return addressname(reg) + "    <0x" + hex(reg->value) + ">"; }

std::string RegisterEditText(const IodRegister* reg) { return addressname(reg) + "   "; }

std::string FieldEditText(const IodField* field) { return std::string(field->name) + "   "; }

static std::string namedtext(const IodField* field, const char* label, uint32_t value) {
    return std::string(field->name) + "   " + label + " <0x" + hex(value) + ">";
}

static std::string othertext(const IodField* field, const char* label, uint32_t value) {
    return std::string(field->name) + "   " + label + " 0x" + hex(value);
}

// The first value line equal to `value` (the other-value line counting as
// 0), else the first other-value line, else null.
static const IodValue* matchingline(const IodField* field, uint32_t value) {
    const IodValue* other = nullptr;
    for (const IodValue* v = field->values; v; v = v->link) {
        if ((v->other ? 0 : v->value) == value) return v;
        if (v->other && !other) other = v;
    }
    return other;
}

std::string FieldText(const IodField* field) {
    uint32_t value = FieldValue(field->reg->value, field);
    if (field->valuecount == 1) return othertext(field, field->values->text, value);
    const IodValue* line = matchingline(field, value);
    if (!line) return std::string(field->name) + "   <0x" + hex(value) + ">";
    return line->other ? othertext(field, line->text, value) : namedtext(field, line->text, value);
}

std::vector<std::string> ValueEntries(const IodField* field) {
    std::vector<std::string> entries;
    for (const IodValue* v = field->values; v; v = v->link) entries.push_back(v->other ? "Other value" : v->text);
    return entries;
}

int ValueSelection(const IodField* field) {
    uint32_t value = FieldValue(field->reg->value, field);
    int index = 0, lastother = -1;
    for (const IodValue* v = field->values; v; v = v->link, ++index) {
        if ((v->other ? 0 : v->value) == value) return index;
        if (v->other) lastother = index;
    }
    return lastother >= 0 ? lastother : 0;
}

IodValue* ValueAt(const IodField* field, int index) {
    IodValue* v = field->values;
    for (; v && index > 0; --index) v = v->link;
    return index == 0 ? v : nullptr;
}

std::string ChooseValue(IodField* field, const IodValue* value) {
    uint32_t cut = value->value & FieldWidthMask(field);
    InsertField(cut, field, field->reg);
    return namedtext(field, value->text, cut);
}

bool TypeFieldValue(IodField* field, const IodValue* other, std::string_view typed, std::string& text) {
    uint32_t number;
    if (!ReadTypedNumber(typed, number)) return false;
    number &= FieldWidthMask(field);
    InsertField(number, field, field->reg);
    text = othertext(field, other ? other->text : "", number);
    return true;
}

bool TypeRegisterValue(IodRegister* reg, std::string_view typed) {
    uint32_t number;
    if (!ReadTypedNumber(typed, number)) return false;
    reg->value = number;
    WriteRegister(reg);
    return true;
}

}  // namespace vy
