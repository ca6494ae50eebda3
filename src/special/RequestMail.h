// The request for a new special-uninstall profile: the form's fields, the mail made of them and
// the maker's mail service it goes to.
#pragma once

#include <string>

#include "special/MailMessage.h"
#include "special/SmtpClient.h"

namespace ku {

// The maker's mail service, in this one place: its server is the host of the product web site.
inline const char* const kSupportMailbox = "support@kelvane.com";
inline const char* const kSupportSmtpHost = "www.kelvane.com";
inline const char* const kRequestSubject = "Special Uninstall Update Request";

struct TRequestFields {
    std::string FullName;
    std::string UserEMail;
    std::string OS;
    std::string Application;
    std::string Version;
    std::string Detail; // optional
};

// The settings of the maker's mail server (port 25, no authentication).
TSmtpSettings SupportSmtpSettings();

// True when every field but Detail holds more than blanks.
bool RequestFieldsComplete(const TRequestFields& fields);

// The six lines "Full Name: ", "Email: ", "OS: ", "Application: ", "Version: ", "Detail: ",
// each followed by its field as typed, separated by a carriage return.
std::string RequestMailBody(const TRequestFields& fields);

// From the typed address (blanks around it dropped) to the support mailbox, which is also the
// reply-to address.
TMailMessage ComposeRequestMail(const TRequestFields& fields);

} // namespace ku
