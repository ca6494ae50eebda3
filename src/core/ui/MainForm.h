// TUnInstallForm: the main window. For now a frame with an empty client: the program list,
// the facts panel and the buttons come with the main window's own work.
#pragma once

#include <string>

#include "core/ui/ImageEx.h"
#include "core/ui/Window.h"

namespace ku {

class TUnInstallForm : public TForm {
  public:
    TUnInstallForm();
    ~TUnInstallForm() override;

    // A file or folder named on the command line; opened in the Force Uninstall wizard
    // when the window is first shown.
    std::string StartFile;
    std::string StartFolder;

    TImageEx MinBtn() const;
    TImageEx CloseBtn() const;

  protected:
    void FormCreate() override;
    void FormShow() override;
    bool OnCommand(int id, int code) override;
    HBRUSH OnLabelColour(HDC dc, HWND label) override;
};

extern TUnInstallForm* UnInstallForm;

// Creates the main window with what the command line named, shows it and runs the message
// loop until it closes (or a quit was asked for already). Returns the loop's exit code.
int RunMainWindow(const std::string& startFile, const std::string& startFolder);

} // namespace ku
