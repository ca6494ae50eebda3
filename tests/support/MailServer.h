// Test support: the local mail server that ctest starts on the host before the mail tests
// (tests/fixtures/smtp/server.py), as the programs in the prefix see it.
#pragma once

#include <string>
#include <vector>

namespace kutest {

// The port of a listener of the server: "smtp" (ordinary), "helo" (knows no EHLO), "silent"
// (never answers) or "refused"; 0 when the server is not running.
unsigned short MailServerPort(const std::string& listener = "smtp");

// A sender address no other mail used; the server reads its start ("reject-rcpt", "stall-data").
std::string UniqueSender(const std::string& start);

struct ReceivedMail {
    std::vector<std::string> envelope; // "EHLO name", "MAIL FROM:<a>", "RCPT TO:<b>"; none: no mail
    std::string data;                  // the mail as it arrived, dot-stuffing undone
    std::vector<std::string> body;     // the lines of its body as the server decoded it
    std::string Header(const std::string& name) const; // empty when there is none
};

// The mail the server accepted from sender, if any.
ReceivedMail ReceivedMailFrom(const std::string& sender);

} // namespace kutest
