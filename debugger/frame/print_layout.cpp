#include "debugger/frame/print_layout.h"

namespace vy {

std::string_view withoutlineend(std::string_view line) {
    for (int i = 0; i < 2 && !line.empty() && (line.back() == '\n' || line.back() == '\r'); ++i) line.remove_suffix(1);
    return line;
}

void drawtabbed(PrintDevice& device, int32_t y, std::string_view line, int32_t tabstop) {
    int32_t x = 0;
    for (;;) {
        std::size_t tab = line.find('\t');
        std::string_view piece = line.substr(0, tab);
        if (!piece.empty()) {
            device.drawtext(x, y, piece);
            x += device.textwidth(piece);
        }
        if (tab == std::string_view::npos) return;
        x = tabstop > 0 ? (x / tabstop + 1) * tabstop : x;
        line.remove_prefix(tab + 1);
    }
}

PrintResult printlines(PrintDevice& device, const PrintMetrics& metrics, const PrintReader& reader) {
    PrintResult result;
    int32_t perpage = metrics.linesperpage > 0 ? metrics.linesperpage : 1;
    int32_t row = 1;
    bool pageopen = false;
    for (const char* line = reader(true); line; line = reader(false)) {
        ++result.lines;
        if (!pageopen) {
            if (!device.startpage()) {
                result.ok = false;
                return result;
            }
            pageopen = true;
            ++result.pages;
        }
        std::string_view text = withoutlineend(line);
        if (!text.empty()) drawtabbed(device, (row - 1) * metrics.lineheight, text, metrics.tabstop);
        if (++row > perpage) {
            pageopen = false;
            row = 1;
            if (!device.endpage() || device.aborted()) {
                result.ok = false;
                return result;
            }
        }
    }
    if (pageopen && !device.endpage()) result.ok = false;
    if (device.aborted()) result.ok = false;
    return result;
}

}  // namespace vy
