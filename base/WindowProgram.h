#pragma once

#include <string>

namespace kestrin {

// What the window system tells of the program behind a window; an empty field is unknown and
// matches nothing.
struct WindowProgram {
    std::string windowClass; // WM_CLASS's class, "firefox"
    std::string instance;    // WM_CLASS's instance, "Navigator"
    std::string executable;  // the file name of the process's program, "firefox-esr"

    bool Known() const { return !windowClass.empty() || !instance.empty() || !executable.empty(); }
    // The name a rule for this program is best written with: its class names the program
    // ("firefox", where the instance is "Navigator"), else the instance, else the executable.
    const std::string& RuleName() const
    {
        return !windowClass.empty() ? windowClass : !instance.empty() ? instance : executable;
    }
};

} // namespace kestrin
