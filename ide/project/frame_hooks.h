// What the project layer needs of the environment's frame: message boxes,
// the end of the program, the default-file-type command, the current
// directory and the status bar. The Windows frame implements ProjectFrame
// with its windows; HeadlessFrame, the one in use until a frame is set,
// writes the messages as lines on standard output.
#pragma once

#include <string>

namespace vesk {

class ProjectFrame {
public:
    virtual ~ProjectFrame() = default;

    // Message boxes titled "Error" and "Warning".
    virtual void error(const std::string& text) = 0;
    virtual void warning(const std::string& text) = 0;
    // A Yes/No box: 1 for Yes, 0 for No.
    virtual int yesno(const std::string& title, const std::string& text) = 0;
    // Ends the program with an exit code; does not return.
    [[noreturn]] virtual void endprogram(int code) = 0;
    // The frame's WM_COMMAND with a default file type (324-330).
    virtual void filetype(int command) = 0;
    // Makes a directory current (a leading drive letter and colon select
    // the drive); false when that fails.
    virtual bool changedir(const std::string& directory);
    // The right field of the status bar (the out-of-date test's progress).
    virtual void rightstatus(const std::string& text) {}
};

// "Error: ", "Warning: " or the title and ": " before the text, on standard
// output; a Yes/No box answers `answer` (Yes unless set otherwise); the end
// of the program is exit().
class HeadlessFrame : public ProjectFrame {
public:
    int answer = 1;
    void error(const std::string& text) override;
    void warning(const std::string& text) override;
    int yesno(const std::string& title, const std::string& text) override;
    [[noreturn]] void endprogram(int code) override;
    void filetype(int command) override {}
};

ProjectFrame& frame();
// Sets the frame in use (the headless one when null); returns the previous one.
ProjectFrame* setframe(ProjectFrame* frame);

}  // namespace vesk
