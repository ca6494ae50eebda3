// The request mail against a real SMTP server on 127.0.0.1 (python3-aiosmtpd, started by ctest
// on the host): what arrives, and how each kind of failure ends.
#include <winsock2.h>

#include <gtest/gtest.h>

#include "special/RequestMail.h"
#include "special/SmtpClient.h"
#include "support/MailServer.h"

namespace {

ku::TSmtpSettings LocalServer(const std::string& listener = "smtp") {
    ku::TSmtpSettings settings;
    settings.Host = "127.0.0.1";
    settings.Port = kutest::MailServerPort(listener);
    settings.ConnectTimeoutMs = 5000;
    settings.ReadTimeoutMs = 2000;
    return settings;
}

ku::TRequestFields Request(const std::string& fullName, const std::string& sender,
                           const std::string& detail) {
    return {fullName, sender, "Windows XP SP3", "Some Tool", "2.1", detail};
}

// A socket of this process on 127.0.0.1: bound only (a connection is refused) or listening and
// never accepting (the connection is made, and nothing ever answers on it).
class LocalSocket {
  public:
    explicit LocalSocket(bool listening) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        if (listening)
            listen(socket_, 4);
        int size = sizeof(address);
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~LocalSocket() {
        closesocket(socket_);
        WSACleanup();
    }
    unsigned short Port() const { return port_; }

  private:
    SOCKET socket_;
    unsigned short port_ = 0;
};

// Every line of the data ends in CR LF and none is longer than quoted-printable allows.
void ExpectCleanLines(const std::string& data) {
    size_t start = 0;
    for (size_t at = 0; at < data.size(); ++at) {
        if (data[at] == '\r') {
            ASSERT_TRUE(at + 1 < data.size() && data[at + 1] == '\n') << "bare CR at " << at;
        }
        if (data[at] != '\n')
            continue;
        ASSERT_TRUE(at > 0 && data[at - 1] == '\r') << "bare LF at " << at;
        EXPECT_LE(at - 1 - start, 78u) << data.substr(start, at - start);
        start = at + 1;
    }
}

struct ArrivalCase {
    const char* name;
    const char* listener;
    std::string fullName;
    std::string detail;
    std::vector<std::string> detailLines; // as they must arrive
};

std::string LongLine() {
    std::string line;
    for (int i = 0; line.size() < 3000; ++i)
        line += "word" + std::to_string(i) + (i % 7 == 0 ? "=\xE9\t" : " ");
    return line + "end";
}

const ArrivalCase kArrivals[] = {
    {"plain", "smtp", "Ann Example", "Please add it.", {"Please add it."}},
    {"blanks as typed, empty detail", "smtp", "  Ann  ", "", {""}},
    {"long line", "smtp", "Ann", LongLine(), {LongLine()}},
    {"dot lines", "smtp", "Ann", "first\r\n.\r\n..\r\n.hidden\r\nlast",
     {"first", ".", "..", ".hidden", "last"}},
    {"server without EHLO", "helo", "Zo\xEB M\xFCller", "x", {"x"}},
};

TEST(RequestMail, ArrivesWithItsEnvelopeHeadersAndBodyIntact) {
    ASSERT_NE(kutest::MailServerPort(), 0) << "the local mail server did not start";
    for (const ArrivalCase& c : kArrivals) {
        SCOPED_TRACE(c.name);
        const std::string sender = kutest::UniqueSender("ann");
        std::string error;
        ASSERT_TRUE(ku::TSmtpClient(LocalServer(c.listener))
                        .Send(ku::ComposeRequestMail(Request(c.fullName, sender, c.detail)), error))
            << error;
        const kutest::ReceivedMail mail = kutest::ReceivedMailFrom(sender);
        ASSERT_TRUE(mail.found);
        const std::string greeting = std::string(c.listener) == "helo" ? "HELO" : "EHLO";
        EXPECT_EQ(mail.envelope, (std::vector<std::string>{greeting + " [127.0.0.1]",
                                                           "MAIL FROM:<" + sender + ">",
                                                           "RCPT TO:<support@kelvane.com>"}));
        EXPECT_EQ(mail.Header("From"), "\"" + sender + "\" <" + sender + ">");
        EXPECT_EQ(mail.Header("To"), "support@kelvane.com");
        EXPECT_EQ(mail.Header("Reply-To"), "support@kelvane.com");
        EXPECT_EQ(mail.Header("Subject"), "Special Uninstall Update Request");
        EXPECT_EQ(mail.Header("Content-Transfer-Encoding"), "quoted-printable");
        EXPECT_FALSE(mail.Header("Date").empty());
        ExpectCleanLines(mail.data);
        std::vector<std::string> expected = {"Full Name: " + c.fullName, "Email: " + sender,
                                             "OS: Windows XP SP3", "Application: Some Tool",
                                             "Version: 2.1", "Detail: " + c.detailLines[0]};
        expected.insert(expected.end(), c.detailLines.begin() + 1, c.detailLines.end());
        EXPECT_EQ(mail.BodyLines(), expected);
    }
}

enum class Server { Ordinary, Refusing, Silent };

struct FailureCase {
    const char* name;
    Server server;
    std::string sender; // its start steers the ordinary server
    const char* error;
};

const FailureCase kFailures[] = {
    {"550 at RCPT", Server::Ordinary, "reject-rcpt",
     "The mail server refused the recipient support@kelvane.com: 550 5.1.1 Mailbox unavailable"},
    {"refused port", Server::Refusing, "ann", "the connection was refused"},
    {"no greeting", Server::Silent, "ann", "The mail server did not answer within 2 seconds."},
    {"no answer to the data", Server::Ordinary, "stall-data",
     "The mail server did not answer within 2 seconds."},
    {"CR LF in the address", Server::Ordinary, "ann@kutest.example\r\nRCPT TO:<x@kutest.example>",
     "The sender's address holds a line break"},
    {"LF at the address's end", Server::Ordinary, "ann@kutest.example\n",
     "The sender's address holds a line break"},
};

TEST(RequestMail, EveryFailureEndsInItsErrorWithinTheTimeOut) {
    for (const FailureCase& c : kFailures) {
        SCOPED_TRACE(c.name);
        LocalSocket other(c.server == Server::Silent);
        ku::TSmtpSettings settings = LocalServer();
        if (c.server != Server::Ordinary)
            settings.Port = other.Port();
        const bool steered = c.sender.find('@') == std::string::npos;
        const std::string sender = steered ? kutest::UniqueSender(c.sender) : c.sender;
        std::string error;
        const DWORD start = GetTickCount();
        EXPECT_FALSE(ku::TSmtpClient(settings).Send(
            ku::ComposeRequestMail(Request("Ann", sender, "")), error));
        EXPECT_LT(GetTickCount() - start, 6000u);
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_FALSE(kutest::ReceivedMailFrom(sender).found);
    }
}

TEST(RequestMail, NeedsEveryFieldButTheDetailToHoldMoreThanBlanks) {
    const ku::TRequestFields full = {"Ann", "a@b.c", "XP", "Tool", "1", ""};
    EXPECT_TRUE(ku::RequestFieldsComplete(full));
    std::string ku::TRequestFields::*required[] = {
        &ku::TRequestFields::FullName, &ku::TRequestFields::UserEMail, &ku::TRequestFields::OS,
        &ku::TRequestFields::Application, &ku::TRequestFields::Version};
    for (auto field : required) {
        ku::TRequestFields fields = full;
        fields.*field = " \t ";
        EXPECT_FALSE(ku::RequestFieldsComplete(fields)) << fields.*field;
    }
}

} // namespace
