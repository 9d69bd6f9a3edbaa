// The symbol list windows "Symbols" (Browse > Symbols List, in value or in
// name order) and the Symbol Browser dialog, owned by an invisible window
// of class SYMBWIN.
#pragma once

namespace vy {

// 671 lists in value order, 672 in name order.
void BrowseSymbols(int id);
void SymbolBrowserDialog();
bool RegisterSymbolClass();
void UnregisterSymbolClass();

}  // namespace vy
