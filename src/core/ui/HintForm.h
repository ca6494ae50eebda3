// THintForm: a small message window that stays on top while something runs.
#pragma once

#include <string>

#include "core/ui/Window.h"

namespace ku {

class THintForm : public TForm {
  public:
    THintForm();
    HWND PanelHint() const;
    HWND LabelMsg() const;
    void SetMessage(const std::string& text);

  protected:
    void FormCreate() override;
    HBRUSH OnLabelColour(HDC dc, HWND label) override;

  private:
    UniqueGdiObject panelBrush_;
};

} // namespace ku
