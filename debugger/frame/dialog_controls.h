// The debugger's own controls for its dialog templates: input filters on
// the platform's edit control (GENEDIT, HEXEDIT, MASKEDIT, NUMEDIT,
// READEDIT), a list box that refuses the mouse (DISABLEDBOX), a 3-D group
// box (GROUP3D) and framed text (TEXT3D), and a plain red gauge (GAUGE);
// and the look every dialog shares.
#pragma once
#include <windows.h>

namespace vy {

// Each returns the class atom, 0 when its base class is missing or the
// registration fails; each Unregister only undoes a registration that
// succeeded.
ATOM RegisterGenEdit();
ATOM RegisterHexEdit();
ATOM RegisterMaskEdit();
ATOM RegisterNumEdit();
ATOM RegisterReadEdit();
ATOM RegisterDisabledBox();
ATOM RegisterGroup3D();
ATOM RegisterText3D();
ATOM RegisterGauge();
void UnregisterGenEdit();
void UnregisterHexEdit();
void UnregisterMaskEdit();
void UnregisterNumEdit();
void UnregisterReadEdit();
void UnregisterDisabledBox();
void UnregisterGroup3D();
void UnregisterText3D();
void UnregisterGauge();

// Draws a caption one character at a time from (x, y): an '&' not followed
// by another is not drawn and underlines the character after it. Returns
// the x after the text.
int DrawMnemonicCaption(HDC dc, int x, int y, const char* text, HFONT font, HFONT underlined);

// The dialogs' look: static texts (and the dialog) on the light-grey stock
// brush; a double 3-D frame inside the client area, inset 3 then 4 pixels
// at the top-left and 4 then 5 at the bottom-right (painted by the
// dialog's WM_PAINT).
INT_PTR DialogGrey(HDC dc);
void PaintDialogFrame(HWND dialog);

}  // namespace vy
