// TDetailForm: the facts of one installed program, with its three addresses as links.
#pragma once

#include <string>

#include "core/ui/Window.h"

namespace ku {

class TDetailForm : public TForm {
  public:
    TDetailForm();

    // Filled by the caller before ShowModal.
    std::string ProgramName = "NOT SELECT";
    std::string Version, InstallDate, InstallLocation, HelpLink, Publisher, HomePage, UpdateLink;
    HICON ApplicationIcon = nullptr; // not owned

    // The link labels' events; public so the window tests can drive them.
    void abHelpLinkClick(HWND label);
    void abHelpLinkMouseEnter(HWND label);
    void abHelpLinkMouseLeave(HWND label);
    bool IsLinkHot(HWND label) const { return label && label == hotLink_; }

  protected:
    void FormCreate() override;
    bool OnCommand(int id, int code) override;
    int CancelButton() const override { return IDCANCEL; } // Esc closes, as the close box does
    HBRUSH OnLabelColour(HDC dc, HWND label) override;

  private:
    bool IsLink(HWND label) const;

    HWND hotLink_ = nullptr;
    UniqueGdiObject linkFont_;
};

} // namespace ku
