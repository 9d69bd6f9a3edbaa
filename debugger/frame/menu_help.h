// The help line of the status bar: one text per menu command and per
// pop-up menu, shown in the left pane while the user moves through the
// menus. Pop-up menus have pseudo ids from 19901.
#pragma once
#include <cstdint>
#include <span>

namespace vy {

struct HelpRow {
    uint16_t id;
    const char* text;
};

// The rows in table order; the first row of an id wins.
std::span<const HelpRow> helprows();

// The text shown for an id: its row's text, or " Command " when it has no
// row or an empty one.
const char* helptext(int id);

// The text of the left pane when no menu item is selected.
inline constexpr const char* COMMANDHELP = " Command ";

}  // namespace vy
