// A plain-text mail and its form on the wire: headers, a quoted-printable body, CR LF line ends.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ku {

struct TMailMessage {
    std::string FromAddress;
    std::string FromName; // the sender's text; empty: the address alone
    std::vector<std::string> Recipients;
    std::string ReplyTo;
    std::string Subject;
    std::string Body; // lines separated by CR, LF or CR LF
};

// Quoted-printable (RFC 2045) of text whose lines are separated by CR, LF or CR LF: every line
// ends in CR LF, no encoded line is longer than 76 characters (longer ones get soft breaks),
// and blanks at the end of a line are encoded so that no relay can strip them.
std::string EncodeQuotedPrintable(const std::string& text);

// The MIME name of the character set of an ANSI code page ("windows-1252" for 1252).
std::string AnsiCharsetName(UINT codePage);

// Empty when the message can go on the wire; otherwise why not. An address or header text
// with a line break could add commands to the mail dialogue or headers to the mail.
std::string MailMessageProblem(const TMailMessage& message);

// "Tue, 01 Jun 2010 08:05:09 +0000" for a UTC time.
std::string MailDateText(const SYSTEMTIME& utc);

// Headers, an empty line and the encoded body, every line ending in CR LF; the data of the mail
// dialogue before its dot-stuffing.
std::string MailMessageText(const TMailMessage& message, const std::string& date,
                            UINT codePage = GetACP());

} // namespace ku
