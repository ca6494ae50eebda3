// Test support: the local mail server that ctest starts on the host before the mail tests
// (tests/fixtures/smtp/server.py), as the programs in the prefix see it.
#pragma once

#include <string>
#include <vector>

namespace kutest {

inline const char* const kMailServerRoot = "C:\\kutest\\smtp";

// The port of a listener of the server: "smtp" (ordinary) or "helo" (knows no EHLO); 0 when the
// server is not running.
unsigned short MailServerPort(const std::string& listener = "smtp");

// A sender address no other mail used; the server reads its start ("reject-rcpt", "stall-data").
std::string UniqueSender(const std::string& start);

struct ReceivedMail {
    bool found = false;
    std::vector<std::string> envelope; // "EHLO name", "MAIL FROM:<a>", "RCPT TO:<b>" ...
    std::string data;                  // the mail as it arrived, dot-stuffing undone
    std::string body;                  // its body as the server decoded it

    // The value of the first header of that name; empty when there is none.
    std::string Header(const std::string& name) const;
    // The decoded body's lines (CR LF or LF ends).
    std::vector<std::string> BodyLines() const;
};

// The mail the server accepted from sender, if any.
ReceivedMail ReceivedMailFrom(const std::string& sender);

} // namespace kutest
