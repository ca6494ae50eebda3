// The request mail against a real SMTP server on 127.0.0.1 (python3-aiosmtpd, started by ctest
// on the host): what arrives, and how each kind of failure ends.
#include <windows.h>

#include <gtest/gtest.h>

#include "core/system/StrUtil.h"
#include "special/RequestMail.h"
#include "special/SmtpClient.h"
#include "support/MailServer.h"

namespace {

// The request mail sent to a listener of the local server, waiting 2 s for each answer.
bool Send(unsigned short port, const std::string& fullName, const std::string& sender,
          const std::string& detail, std::string& error) {
    ku::TSmtpSettings server;
    server.Host = "127.0.0.1";
    server.Port = port;
    server.ReadTimeoutMs = 2000;
    const ku::TRequestFields fields = {fullName, sender, "XP SP3", "Some Tool", "2.1", detail};
    return ku::TSmtpClient(server).Send(ku::ComposeRequestMail(fields), error);
}

std::string LongLine() {
    std::string line;
    for (int i = 0; line.size() < 3000; ++i)
        line += "word" + std::to_string(i) + (i % 7 == 0 ? "=\xE9\t" : " ");
    return line + "end";
}

struct ArrivalCase {
    const char* name;
    const char* listener;
    std::string fullName;
    std::string detail;
    std::vector<std::string> detailLines; // as they must arrive
};

// The second arrives at a server without EHLO.
const ArrivalCase kArrivals[] = {
    {"long line", "smtp", "Ann", LongLine(), {LongLine()}},
    {"dot lines", "helo", "Zo\xEB", "first\r\n.\r\n..\r\n.x\r\nlast",
     {"first", ".", "..", ".x", "last"}},
};

TEST(RequestMail, ArrivesWithItsEnvelopeHeadersAndBodyIntact) {
    ASSERT_NE(kutest::MailServerPort(), 0) << "the local mail server did not start";
    for (const ArrivalCase& c : kArrivals) {
        SCOPED_TRACE(c.name);
        const std::string sender = kutest::UniqueSender("ann");
        std::string error;
        ASSERT_TRUE(Send(kutest::MailServerPort(c.listener), c.fullName, sender, c.detail, error))
            << error;
        const kutest::ReceivedMail mail = kutest::ReceivedMailFrom(sender);
        const std::string greeting = std::string(c.listener) == "helo" ? "HELO" : "EHLO";
        EXPECT_EQ(mail.envelope, (std::vector<std::string>{greeting + " [127.0.0.1]",
                                                           "MAIL FROM:<" + sender + ">",
                                                           "RCPT TO:<support@kelvane.com>"}));
        EXPECT_EQ(mail.Header("From") + "|" + mail.Header("Content-Transfer-Encoding"),
                  "\"" + sender + "\" <" + sender + ">|quoted-printable");
        // Every line on the wire ends in CR LF and none is longer than quoted-printable allows.
        const std::vector<std::string> lines = ku::SplitString(mail.data, '\n');
        for (size_t i = 0; i + 1 < lines.size(); ++i)
            EXPECT_TRUE(lines[i].find('\r') + 1 == lines[i].size() && lines[i].size() <= 79)
                << lines[i];
        std::vector<std::string> expected = {"Full Name: " + c.fullName, "Email: " + sender,
                                             "OS: XP SP3", "Application: Some Tool",
                                             "Version: 2.1", "Detail: " + c.detailLines[0]};
        expected.insert(expected.end(), c.detailLines.begin() + 1, c.detailLines.end());
        EXPECT_EQ(mail.body, expected);
    }
}

struct FailureCase {
    const char* name;
    const char* listener;
    std::string sender; // without "@": the start of a fresh one, which steers the server
    const char* error;
};

const char* const kLate = "The mail server did not answer within 2 seconds.";
const FailureCase kFailures[] = {
    {"550 at RCPT", "smtp", "reject-rcpt",
     "The mail server refused the recipient support@kelvane.com: 550 5.1.1 Mailbox unavailable"},
    {"refused port", "refused", "ann", "the connection was refused"},
    {"no greeting", "silent", "ann", kLate}, {"no answer to the data", "smtp", "stall-data", kLate},
    {"CR LF in the address", "smtp", "ann@kutest.example\r\nRCPT TO:<x@kutest.example>",
     "The sender's address holds a line break"},
    {"LF at the address's end", "smtp", "ann@kutest.example\n",
     "The sender's address holds a line break"},
};

TEST(RequestMail, EveryFailureEndsInItsErrorWithinTheTimeOut) {
    for (const FailureCase& c : kFailures) {
        SCOPED_TRACE(c.name);
        const bool steered = c.sender.find('@') == std::string::npos;
        const std::string sender = steered ? kutest::UniqueSender(c.sender) : c.sender;
        std::string error;
        const DWORD start = GetTickCount();
        EXPECT_FALSE(Send(kutest::MailServerPort(c.listener), "Ann", sender, "", error));
        EXPECT_LT(GetTickCount() - start, 6000u);
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_TRUE(kutest::ReceivedMailFrom(sender).envelope.empty());
    }
}

} // namespace
