// The two pages the System Manager window embeds: the startup manager on its Startup page and
// the device page on its Devices page.
#pragma once

#include <windows.h>

namespace ku {

// Makes TStartupManagerForm in startupPanel into StartupManagerForm and TDevicesForm in
// devicesPanel into DevicesForm, each filling its page window, and shows them. Pages made
// before are freed first.
void CreateSystemManagerPages(HWND startupPanel, HWND devicesPanel);
// Frees both pages; called when the System Manager window goes.
void FreeSystemManagerPages();

} // namespace ku
