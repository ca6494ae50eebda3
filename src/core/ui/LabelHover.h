// Mouse-enter and mouse-leave events for a static label (a link label), which Windows does not
// raise by itself: the label is subclassed and tracks the pointer leaving it.
#pragma once

#include <windows.h>

#include <functional>

namespace ku {

// Calls handler(label, true) when the pointer comes over the label and handler(label, false)
// when it leaves; the handler lives as long as the label.
using LabelHoverHandler = std::function<void(HWND label, bool inside)>;
void SetLabelHoverHandler(HWND label, LabelHoverHandler handler);

} // namespace ku
