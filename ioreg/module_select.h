// The modules a selection opens: the titles picked in the dialog matched
// with the ".iod" files listed there.
#pragma once
#include <string>
#include <vector>

#include "ioreg/iod_module.h"

namespace vy {

// A listed file: a new record with its title and (lower-case) file name,
// pushed onto the available list.
void AddAvailableModule(IodModule*& available, const std::string& title, const std::string& filename);

// The selected list for the titles picked, given in the order of their
// list positions: each becomes a new record pushed onto the list (so the
// list is in the reverse order) and takes the file name of the first
// available record with an equal title (exact comparison). A title with no
// match gets no record and is added to `unmatched`. The available list is
// freed.
IodModule* MatchSelection(IodModule*& available, const std::vector<std::string>& titles,
                          std::vector<std::string>& unmatched);

}  // namespace vy
