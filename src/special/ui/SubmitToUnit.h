// TSubmitToForm: the form in which a user asks the maker for a special-uninstall profile of an
// application the list does not hold; the request goes out as a mail to the support mailbox.
#pragma once

#include <windows.h>

#include <memory>

#include "core/ui/Controls.h"
#include "core/ui/HintForm.h"
#include "core/ui/ImageEx.h"
#include "core/ui/Window.h"
#include "special/RequestMail.h"
#include "special/SmtpClient.h"

namespace ku {

class TSubmitToForm : public TForm {
  public:
    TSubmitToForm();
    ~TSubmitToForm() override;

    // The mail server the request goes to: the maker's, unless set otherwise before sending.
    TSmtpSettings Smtp = SupportSmtpSettings();

    // Handlers; public so that the window tests can drive them.
    void StepBitBtnClick(); // both send buttons: checks the fields, then sends on a worker thread
    void IStepBitBtnMouseEnter();
    void IStepBitBtnMouseLeave();

    bool Sending() const { return sender_ != nullptr; }
    const THintForm* Hint() const { return hint_.get(); } // while sending

    // The controls, named as the form's layout names them.
    TLabel Label1() const;
    TControl EditFullName() const;
    TControl EditUserEMail() const;
    TControl EditOS() const;
    TControl EditApplication() const;
    TControl EditVersion() const;
    TControl DetailMemo() const;
    TImageEx IStepBitBtn() const;
    TControl StepBitBtn() const;

  protected:
    void FormCreate() override;
    bool OnCommand(int id, int code) override;
    int CancelButton() const override { return IDCANCEL; } // closes, unless a mail is out
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    HBRUSH OnLabelColour(HDC dc, HWND label) override;

  private:
    void PlaceWindowAndButton();
    void FitFields(int detailBottom);
    // The six fields by their wide texts; false when one holds characters the code page cannot
    // hold (its best-fit form would mail another name or address), with the refusal in
    // `refusal`.
    bool Fields(TRequestFields& fields, std::string& refusal) const;
    void MailSent(); // on the window thread, once the worker is done

    std::unique_ptr<TMailSendThread> sender_;
    std::unique_ptr<THintForm> hint_;
    UniqueGdiObject whiteBrush_;
};

// The form while it is shown by ShowSubmitToForm.
extern TSubmitToForm* SubmitToForm;

// Creates the form into SubmitToForm with owner, shows it modally and frees it.
void ShowSubmitToForm(HWND owner);

} // namespace ku
