// TAboutForm: the about box, borderless with a background picture and two image buttons.
#pragma once

#include "core/ui/ImageEx.h"
#include "core/ui/Window.h"

namespace ku {

class TAboutForm : public TForm {
  public:
    TAboutForm();
    TImageEx OKBtn() const;
    TImageEx CloseBtn() const;

  protected:
    void FormCreate() override;
    void BackgroundClick() override { Close(IDOK); } // Image1Click
    bool OnCommand(int id, int code) override;
    int DefaultButton() const override; // OK
    int CancelButton() const override; // the close button
    HBRUSH OnLabelColour(HDC dc, HWND label) override;

  private:
    void PlaceButtons();
};

} // namespace ku
