// TStartForm: the splash window shown while the program starts.
#pragma once

#include "core/ui/ImageEx.h"
#include "core/ui/Window.h"

namespace ku {

class TStartForm : public TForm {
  public:
    TStartForm();
    TImageEx Image1() const;

  protected:
    void FormCreate() override;
};

} // namespace ku
