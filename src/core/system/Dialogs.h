// Every message box of the program goes through here, so tests can answer them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace ku {

inline const char* const kAppCaption = "Kelvane Uninstaller";

struct MessageBoxCall {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type; // MB_* flags as given
};

// Shows a message box (or asks the installed hook) and returns IDOK, IDYES, IDNO ...
int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption = kAppCaption,
                   UINT type = MB_OK);

// Tests install a hook that records the call and returns the scripted answer; an empty
// function restores the real message box.
using MessageBoxHook = std::function<int(const MessageBoxCall&)>;
void SetMessageBoxHook(MessageBoxHook hook);

} // namespace ku
