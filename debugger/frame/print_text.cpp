#include "debugger/frame/print_text.h"

#include <windows.h>
// after windows.h
#include <commdlg.h>

#include "debugger/frame/dialog_controls.h"
#include "debugger/frame/frame.h"
#include "debugger/target/services.h"

namespace vy {

bool printaborted;
static HWND abortdialog;

// ---------------------------------------------------------------------------
// The printer of the print dialog

class GdiPrinter : public PrinterDevice {
public:
    explicit GdiPrinter(HDC dc) : dc(dc) {}
    ~GdiPrinter() override { DeleteDC(dc); }

    bool startdoc(const std::string& name) override {
        SetAbortProc(dc, PrintAbort);
        DOCINFOA info{};
        info.cbSize = sizeof info;
        info.lpszDocName = name.c_str();
        return StartDocA(dc, &info) > 0;
    }
    void enddoc(bool completed) override {
        if (completed) EndDoc(dc);
        else AbortDoc(dc);
    }
    PrintMetrics metrics() override {
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        int32_t line = std::max<int32_t>(tm.tmHeight + tm.tmExternalLeading, 1);
        return {line, GetDeviceCaps(dc, VERTRES) / line, tm.tmAveCharWidth * 4};
    }
    int32_t textwidth(std::string_view text) override {
        SIZE size{};
        GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
        return size.cx;
    }
    void drawtext(int32_t x, int32_t y, std::string_view text) override {
        TextOutA(dc, x, y, text.data(), static_cast<int>(text.size()));
    }
    bool startpage() override { return StartPage(dc) > 0; }
    bool endpage() override { return EndPage(dc) > 0; }
    bool aborted() override { return printaborted; }

private:
    HDC dc;
};

static std::unique_ptr<PrinterDevice> printdialog() {
    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = hwndFrame;
    pd.Flags = PD_RETURNDC | PD_DISABLEPRINTTOFILE | PD_HIDEPRINTTOFILE | PD_NOSELECTION | PD_NOPAGENUMS;
    if (!PrintDlgA(&pd) || !pd.hDC) return nullptr;
    if (pd.hDevMode) GlobalFree(pd.hDevMode);
    if (pd.hDevNames) GlobalFree(pd.hDevNames);
    return std::make_unique<GdiPrinter>(pd.hDC);
}

std::unique_ptr<PrinterDevice> (*chooseprinter)() = printdialog;

// ---------------------------------------------------------------------------
// The abort dialog

BOOL CALLBACK PrintAbort(HDC, int) {
    MSG msg;
    while (!printaborted && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!abortdialog || !IsDialogMessageA(abortdialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return !printaborted;
}

INT_PTR CALLBACK AbortPrntDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    static int savedhelp;
    switch (message) {
    case WM_INITDIALOG:
        savedhelp = helpcontext;
        helpcontext = 23;
        SetFocus(GetDlgItem(dialog, 100));
        return FALSE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORDLG:
        return DialogGrey(reinterpret_cast<HDC>(wparam));
    case WM_PAINT:
        PaintDialogFrame(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == 100 || LOWORD(wparam) == IDCANCEL) {
            helpcontext = savedhelp;
            printaborted = true;
        }
        return TRUE;
    }
    return FALSE;
}

void PrintText(const char* title, const PrintReader& reader) {
    std::unique_ptr<PrinterDevice> printer = chooseprinter();
    if (!printer) return;
    printaborted = false;
    std::string name = std::string(" Printing ") + (title ? title : "");
    if (!printer->startdoc(name)) return;
    abortdialog = CreateDialogParamA(hinst, "AbortPrnt", hwndFrame, AbortPrntDlgProc, 0);
    if (abortdialog) {
        SetDlgItemTextA(abortdialog, 102, title && *title ? title : "Untitled");
        ShowWindow(abortdialog, SW_SHOW);
    }
    if (hwndFrame) EnableWindow(hwndFrame, FALSE);
    PrintResult result = printlines(*printer, printer->metrics(), reader);
    printer->enddoc(result.ok);
    if (hwndFrame) EnableWindow(hwndFrame, TRUE);
    if (abortdialog) DestroyWindow(abortdialog);
    abortdialog = nullptr;
    if (!result.ok) dberror({"Error while Printing, Print Cancelled"});
}

}  // namespace vy
