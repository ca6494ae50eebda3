// The System Manager's embedded pages, made into their global variables.
#include "sysmanager/ui/SystemManagerPages.h"

#include "sysmanager/ui/StartupManagerUnit.h"
#include "sysmanager/ui/ueject.h"

namespace ku {

void CreateSystemManagerPages(HWND startupPanel, HWND devicesPanel) {
    FreeSystemManagerPages();
    StartupManagerForm = new TStartupManagerForm();
    if (StartupManagerForm->Create(startupPanel))
        StartupManagerForm->Show();
    DevicesForm = new TDevicesForm();
    if (DevicesForm->Create(devicesPanel))
        DevicesForm->Show();
}

void FreeSystemManagerPages() {
    delete StartupManagerForm;
    StartupManagerForm = nullptr;
    delete DevicesForm;
    DevicesForm = nullptr;
}

} // namespace ku
