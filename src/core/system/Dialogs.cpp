// The message-box layer.
#include "core/system/Dialogs.h"

#include <mutex>

namespace ku {

namespace {
std::mutex hookLock;
MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}
} // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
    std::lock_guard<std::mutex> guard(hookLock);
    Hook() = std::move(hook);
}

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    MessageBoxHook hook;
    {
        std::lock_guard<std::mutex> guard(hookLock);
        hook = Hook();
    }
    if (hook)
        return hook(MessageBoxCall{owner, text, caption, type});
    return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

} // namespace ku
