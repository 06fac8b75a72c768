#pragma once
// The choices of the Editing page: display helpers on top of the calculation document.
// None of them changes the text, the saved file or an answer; all off is the plain pane.

namespace vexmo {

// The helpers leave a line longer than this (in characters) alone while it is edited:
// going through all of it would make every key cost time that grows with the line.
inline constexpr int MaxLiveLineLength = 64 * 1024;

struct EditingOptions {
    bool LiveValue = true;    // the value of the line being edited, shown after a pause
    bool StaleMarks = true;   // answers left out of date by a changed variable or function
    bool Completion = true;   // a list of matching names while typing
    bool Highlighting = true; // the parts of each expression coloured by kind
    bool RecalcBelow = false; // Calculate below after a calculation that changed a value

    bool operator==(const EditingOptions&) const = default;
};

} // namespace vexmo
