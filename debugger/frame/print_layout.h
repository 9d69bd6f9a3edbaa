// How a text handed out line by line is laid out on printed pages: one line
// per line height, tabs expanded to the tab stop, the line end dropped, a
// new page after each full one. The pages are drawn on a small device
// interface; the Windows print engine gives it a printer, tests a recorder.
#pragma once
#include <cstdint>
#include <functional>
#include <string_view>

namespace vy {

class PrintDevice {
public:
    virtual ~PrintDevice() = default;
    // Width of a text in device units.
    virtual int32_t textwidth(std::string_view text) = 0;
    virtual void drawtext(int32_t x, int32_t y, std::string_view text) = 0;
    // False when the page cannot be started or ended.
    virtual bool startpage() = 0;
    virtual bool endpage() = 0;
    // The user stopped the printing.
    virtual bool aborted() = 0;
};

struct PrintMetrics {
    int32_t lineheight;     // character height and external leading
    int32_t linesperpage;   // page height / line height
    int32_t tabstop;        // average character width x the tab width
};

// The next line, or null at the end; `first` is true on the first call.
using PrintReader = std::function<const char*(bool first)>;

struct PrintResult {
    int32_t pages = 0;      // pages started
    int32_t lines = 0;      // lines read
    bool ok = true;         // false: a page could not be ended, or the user aborted
};

// Lays out and draws every line the reader gives: row r of a page (from 1)
// at y = (r - 1) x line height, x 0.
PrintResult printlines(PrintDevice& device, const PrintMetrics& metrics, const PrintReader& reader);

// Draws one line with its tabs expanded: each piece at its x, a tab moving
// x to the next multiple of the tab stop.
void drawtabbed(PrintDevice& device, int32_t y, std::string_view line, int32_t tabstop);

// The line without up to two trailing line feeds or carriage returns.
std::string_view withoutlineend(std::string_view line);

}  // namespace vy
