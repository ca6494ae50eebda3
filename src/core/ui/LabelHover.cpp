// Mouse-enter and mouse-leave events for static labels.
#include "core/ui/LabelHover.h"

#include <commctrl.h>

namespace ku {

namespace {

struct HoverState {
    LabelHoverHandler handler;
    bool inside = false;
};

LRESULT CALLBACK HoverProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                           DWORD_PTR data) {
    auto* state = reinterpret_cast<HoverState*>(data);
    const LRESULT result = DefSubclassProc(label, message, wParam, lParam);
    if (message == WM_MOUSEMOVE && !state->inside) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, label, 0};
        TrackMouseEvent(&track);
        state->inside = true;
        state->handler(label, true);
    } else if (message == WM_MOUSELEAVE && state->inside) {
        state->inside = false;
        state->handler(label, false);
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(label, HoverProc, 0);
        delete state;
    }
    return result;
}

} // namespace

void SetLabelHoverHandler(HWND label, LabelHoverHandler handler) {
    auto* state = new HoverState{std::move(handler)};
    if (!SetWindowSubclass(label, HoverProc, 0, reinterpret_cast<DWORD_PTR>(state)))
        delete state;
}

} // namespace ku
