// The print engine: any text that a caller hands out line by line goes to
// the printer the user chooses, in the printer's default font, with a
// modeless "AbortPrnt" dialog through which the user can stop it.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "debugger/frame/print_layout.h"

namespace vy {

// A printer with its document: what the print engine needs beyond the page
// device of the layout.
class PrinterDevice : public PrintDevice {
public:
    // Starts the document; false when it cannot be started.
    virtual bool startdoc(const std::string& name) = 0;
    // Ends the document, or with `completed` false gives it up.
    virtual void enddoc(bool completed) = 0;
    virtual PrintMetrics metrics() = 0;
};

// The print dialog (printing to a file disabled) and the printer it gives:
// null when the user cancelled. Tests replace it: without a printer the
// dialog blocks for a long time.
extern std::unique_ptr<PrinterDevice> (*chooseprinter)();

// Prints the lines of the reader as the document " Printing " + title;
// a failed page or the user's abort reports "Error while Printing, Print
// Cancelled".
void PrintText(const char* title, const PrintReader& reader);

// The abort procedure installed on the printer: lets waiting messages run
// until none is left or the user aborted; nonzero to go on.
BOOL CALLBACK PrintAbort(HDC dc, int code);
INT_PTR CALLBACK AbortPrntDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
// The user pressed the abort dialog's button.
extern bool printaborted;

}  // namespace vy
