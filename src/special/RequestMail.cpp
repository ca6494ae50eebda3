// The request mail: required fields, body and envelope.
#include "special/RequestMail.h"

#include "core/system/StrUtil.h"

namespace ku {

namespace {

// Blanks around an address are typing slips; a line break is not, and the mail refuses it.
std::string WithoutBlanksAround(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

TSmtpSettings SupportSmtpSettings() {
    TSmtpSettings settings;
    settings.Host = kSupportSmtpHost;
    settings.Port = 25;
    return settings;
}

bool RequestFieldsComplete(const TRequestFields& fields) {
    for (const std::string* field :
         {&fields.FullName, &fields.UserEMail, &fields.OS, &fields.Application, &fields.Version})
        if (Trim(*field).empty())
            return false;
    return true;
}

std::string RequestMailBody(const TRequestFields& fields) {
    return "Full Name: " + fields.FullName + "\rEmail: " + fields.UserEMail + "\rOS: " + fields.OS +
           "\rApplication: " + fields.Application + "\rVersion: " + fields.Version +
           "\rDetail: " + fields.Detail;
}

TMailMessage ComposeRequestMail(const TRequestFields& fields) {
    TMailMessage message;
    message.FromAddress = WithoutBlanksAround(fields.UserEMail);
    message.FromName = message.FromAddress;
    message.Recipients = {kSupportMailbox};
    message.ReplyTo = kSupportMailbox;
    message.Subject = kRequestSubject;
    message.Body = RequestMailBody(fields);
    return message;
}

} // namespace ku
