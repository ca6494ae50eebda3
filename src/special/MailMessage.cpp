// Mail composition: quoted-printable body, MIME headers and the checks that keep them intact.
#include "special/MailMessage.h"

#include <cstdio>

namespace ku {

namespace {

const size_t kMaxEncodedLine = 76; // RFC 2045, soft-break "=" included
const size_t kMaxHeaderLine = 78;  // RFC 5322
const char kHex[] = "0123456789ABCDEF";
const char kCrLf[] = "\r\n";

// The text's lines; a line break at the very end ends the last line rather than opening one.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines(1);
    for (size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c != '\r' && c != '\n') {
            lines.back() += c;
            continue;
        }
        if (c == '\r' && at + 1 < text.size() && text[at + 1] == '\n')
            ++at;
        if (at + 1 < text.size())
            lines.emplace_back();
    }
    return lines;
}

std::string EncodeLine(const std::string& line) {
    const size_t lastSolid = line.find_last_not_of(" \t");
    const size_t blanksFrom = lastSolid == std::string::npos ? 0 : lastSolid + 1;
    std::string encoded, current;
    for (size_t at = 0; at < line.size(); ++at) {
        const auto c = static_cast<unsigned char>(line[at]);
        const bool blank = c == ' ' || c == '\t';
        std::string token;
        if ((c >= 33 && c <= 126 && c != '=') || (blank && at < blanksFrom))
            token = static_cast<char>(c);
        else
            token = {'=', kHex[c >> 4], kHex[c & 15]};
        // Room for the "=" of a soft break; an "=XX" is never split.
        if (current.size() + token.size() > kMaxEncodedLine - 1) {
            encoded += current + "=" + kCrLf;
            current.clear();
        }
        current += token;
    }
    return encoded + current + kCrLf;
}

bool HasControlCharacter(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return true;
    return false;
}

std::string AddressProblem(const std::string& what, const std::string& address) {
    if (address.empty())
        return "The " + what + " address is empty.";
    if (HasControlCharacter(address) || address.find_first_of("<>") != std::string::npos)
        return "The " + what +
               " address holds a line break or another character that no address can hold.";
    return std::string();
}

// A display name as an RFC 5322 quoted string.
std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

} // namespace

std::string EncodeQuotedPrintable(const std::string& text) {
    std::string encoded;
    for (const std::string& line : SplitLines(text))
        encoded += EncodeLine(line);
    return encoded;
}

std::string AnsiCharsetName(UINT codePage) {
    struct Charset {
        UINT codePage;
        const char* name;
    };
    static const Charset kCharsets[] = {
        {874, "windows-874"}, {932, "shift_jis"},  {936, "gbk"},          {949, "euc-kr"},
        {950, "big5"},        {20127, "us-ascii"}, {28591, "iso-8859-1"}, {65001, "utf-8"}};
    if (codePage >= 1250 && codePage <= 1258)
        return "windows-" + std::to_string(codePage);
    for (const Charset& charset : kCharsets)
        if (charset.codePage == codePage)
            return charset.name;
    return "windows-1252";
}

std::string MailMessageProblem(const TMailMessage& message) {
    std::string problem = AddressProblem("sender's", message.FromAddress);
    if (problem.empty() && message.Recipients.empty())
        problem = "The mail has no recipient.";
    for (const std::string& recipient : message.Recipients)
        if (problem.empty())
            problem = AddressProblem("recipient's", recipient);
    if (problem.empty() && !message.ReplyTo.empty())
        problem = AddressProblem("reply-to", message.ReplyTo);
    if (problem.empty() &&
        (HasControlCharacter(message.FromName) || HasControlCharacter(message.Subject)))
        problem = "The sender's name or the subject holds a line break.";
    return problem;
}

std::string MailDateText(const SYSTEMTIME& utc) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    std::snprintf(text, sizeof(text), "%s, %02u %s %04u %02u:%02u:%02u +0000",
                  kDays[utc.wDayOfWeek % 7], utc.wDay, kMonths[(utc.wMonth + 11) % 12], utc.wYear,
                  utc.wHour, utc.wMinute, utc.wSecond);
    return text;
}

std::string MailMessageText(const TMailMessage& message, const std::string& date, UINT codePage) {
    std::string from = message.FromName.empty()
                           ? message.FromAddress
                           : Quoted(message.FromName) + " <" + message.FromAddress + ">";
    // A long address (the request mail names the sender by the address too) would make the
    // header line longer than mail lines may be: it is folded before the address.
    if (!message.FromName.empty() && from.size() + 6 > kMaxHeaderLine)
        from = Quoted(message.FromName) + kCrLf + " <" + message.FromAddress + ">";
    std::string to;
    for (const std::string& recipient : message.Recipients)
        to += (to.empty() ? "" : ", ") + recipient;
    std::string text = "Date: " + date + kCrLf + "From: " + from + kCrLf;
    if (!message.ReplyTo.empty())
        text += "Reply-To: " + message.ReplyTo + kCrLf;
    text += "To: " + to + kCrLf + "Subject: " + message.Subject + kCrLf + "MIME-Version: 1.0" +
            kCrLf + "Content-Type: text/plain; charset=\"" + AnsiCharsetName(codePage) + "\"" +
            kCrLf + "Content-Transfer-Encoding: quoted-printable" + kCrLf + kCrLf;
    return text + EncodeQuotedPrintable(message.Body);
}

} // namespace ku
