// A small SMTP client on Winsock: one message per connection, no authentication, and every
// wait on the server bounded. No window is involved; the worker thread below reports by callback.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "core/system/Handles.h"
#include "special/MailMessage.h"

namespace ku {

struct TSmtpSettings {
    std::string Host;
    unsigned short Port = 25;
    DWORD ConnectTimeoutMs = 15000;
    DWORD ReadTimeoutMs = 30000; // for each reply of the server and for each write
};

class TSmtpClient {
  public:
    explicit TSmtpClient(TSmtpSettings settings) : settings_(std::move(settings)) {}

    // Connects, hands the message over (EHLO, or HELO when the server knows no EHLO; MAIL,
    // RCPT, DATA, QUIT) and disconnects. True only when the server accepted the message;
    // otherwise error tells why, in words for the user.
    bool Send(const TMailMessage& message, std::string& error) const;

  private:
    TSmtpSettings settings_;
};

// Sends one message on a worker thread of its own. finished runs on that thread when the
// result is there; it must not touch a window (post to the window's thread instead).
class TMailSendThread {
  public:
    TMailSendThread(TSmtpSettings settings, TMailMessage message, std::function<void()> finished);
    ~TMailSendThread(); // waits for the thread
    TMailSendThread(const TMailSendThread&) = delete;
    TMailSendThread& operator=(const TMailSendThread&) = delete;

    void WaitFor();
    // After WaitFor.
    bool Sent() const { return sent_; }
    const std::string& Error() const { return error_; }

  private:
    static DWORD WINAPI ThreadProc(void* self);

    TSmtpSettings settings_;
    TMailMessage message_;
    std::function<void()> finished_;
    bool sent_ = false;
    std::string error_;
    UniqueHandle thread_;
};

} // namespace ku
