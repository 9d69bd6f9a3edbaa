// The texts of a viewer's tree items and of a field's drop-down list, and
// what an editor's value does to a register or field.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "ioreg/iod_module.h"

namespace vy {

// "[00001020] TCTL1    <0x5a>": the address in eight digits, the name,
// four blanks and the stored value.
std::string RegisterText(const IodRegister* reg);
// A field of the register's stored value: with exactly one value line,
// "NAME   text 0xV"; else the first value line equal to the value (the
// other-value line counting as 0), or the first other-value line:
// "NAME   text <0xV>" for a named value, "NAME   text 0xV" for the other
// value, "NAME   <0xV>" when there is neither.
std::string FieldText(const IodField* field);

// The texts while an editor is open over the item's value.
std::string RegisterEditText(const IodRegister* reg);
std::string FieldEditText(const IodField* field);

// The entries of a field's drop-down list, in file order ("Other value"
// for the other-value line), and the one selected first: the first line
// equal to the field's value (the other-value line counting as 0), else
// the last other-value line, else entry 0.
std::vector<std::string> ValueEntries(const IodField* field);
int ValueSelection(const IodField* field);
// The field's value line at a list position, or null.
IodValue* ValueAt(const IodField* field, int index);

// A named value chosen in the list: put into the field (cut to its width)
// and the register written; returns the field's new text,
// "NAME   text <0xV>".
std::string ChooseValue(IodField* field, const IodValue* value);
// A number typed for a field: cut to its width, put into the field and the
// register written; returns the field's new text with the label of the
// other-value line, "NAME   text 0xV". False (nothing written) when the
// text holds no number.
bool TypeFieldValue(IodField* field, const IodValue* other, std::string_view typed, std::string& text);
// A number typed for a register: stored whole (the item shows it until the
// next read) and written. False (nothing written) when the text holds no
// number.
bool TypeRegisterValue(IodRegister* reg, std::string_view typed);

}  // namespace vy
