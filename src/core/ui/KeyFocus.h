// Where the keyboard belongs in a window and what Enter presses, decided over plain facts: the
// window base gathers the facts from its controls and carries the answer out.
#pragma once

namespace ku {

struct FocusFacts {
    bool focusUsable = false;  // the control with the focus is in the window, shown and enabled
    bool focusParked = false;  // the window put the keys there, not the user, and the page's
                               // own control is another
    bool targetUsable = false; // the page's own control (default button or list) can take them
};

enum class FocusMove { Stay, ToPageControl, ToFirstTabStop };

// A control that cannot take the keys (hidden, disabled, none at all: keys then reach nothing)
// gives them up to the page's own control, or else to the first control Tab reaches. Keys the
// window put somewhere follow the page's control once it can take them; where the user put
// them they stay.
inline FocusMove NextFocusMove(const FocusFacts& facts) {
    if (facts.focusUsable && !(facts.focusParked && facts.targetUsable))
        return FocusMove::Stay;
    return facts.targetUsable ? FocusMove::ToPageControl : FocusMove::ToFirstTabStop;
}

// The button Enter presses (0: none): a focused button other than Cancel, else the page's
// default. Enter never cancels: on a focused Cancel it presses nothing, unless Cancel is the
// page's default (the only way out of a finished page).
inline int EnterButton(int focusedButton, int defaultButton, int cancelButton) {
    if (focusedButton == 0)
        return defaultButton;
    if (focusedButton == cancelButton && cancelButton != defaultButton)
        return 0;
    return focusedButton;
}

} // namespace ku
