// Texts measured in their control's own font: lists as wide as their widest line, and labels
// whose text is cut with an ellipsis where it would not fit.
#pragma once

#include <windows.h>

#include <string>

namespace ku {

// Width in pixels of one line of text in the control's font.
int TextWidth(HWND control, const std::string& text);

// Gives a list box a horizontal extent as wide as its widest line, so that it scrolls to it.
void FitListBoxExtent(HWND listBox);

// Widens a report list view's column to its widest cell (never below minimum); the list view
// scrolls sideways once its columns are wider than it.
void FitListViewColumn(HWND list, int column, int minimum);

// The narrowest width up to width at which the text wraps into no more lines than at width:
// its lines come out even, and no last word stands alone on a line of its own.
int BalancedWrapWidth(HWND label, const std::string& text, int width);

// The label's text shortened with "…" at its end so that it fits the label, wrapped as a
// static control wraps it; the whole text when it fits.
std::string FitLabelText(HWND label, const std::string& text);

// Sets the label to the text as FitLabelText cuts it.
void SetFittedLabelText(HWND label, const std::string& text);

} // namespace ku
