// The mail dialogue on a non-blocking Winsock socket; select() bounds every wait on the server.
#include "special/SmtpClient.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>
#include <exception>
#include <memory>
#include <stdexcept>

namespace ku {

namespace {

const char kCrLf[] = "\r\n";
const size_t kMaxReplyLine = 8192; // a longer line is not an SMTP server talking
const int kMaxReplyLines = 200;
const int kChunk = 4096;

struct SocketTraits {
    using type = SOCKET;
    static SOCKET Invalid() { return INVALID_SOCKET; }
    static void Close(SOCKET socket) { closesocket(socket); }
};
using UniqueSocket = UniqueAny<SocketTraits>;

class WinsockSession {
  public:
    WinsockSession() {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinsockSession() {
        if (started_)
            WSACleanup();
    }
    bool Started() const { return started_; }

  private:
    bool started_ = false;
};

// A failed dialogue; answered: the server is still there and can be told QUIT.
class SmtpError : public std::runtime_error {
  public:
    explicit SmtpError(const std::string& text, bool answered = false)
        : std::runtime_error(text), answered(answered) {}
    bool answered;
};

struct Reply {
    int code = 0;
    std::string text; // the text of every line, joined by blanks
};

std::string Seconds(DWORD ms) {
    return std::to_string((ms + 999) / 1000) + " seconds";
}

std::string SocketErrorText(int code) {
    std::string text = "Winsock error";
    switch (code) {
    case WSAECONNREFUSED: text = "the connection was refused"; break;
    case WSAETIMEDOUT: text = "the connection timed out"; break;
    case WSAECONNRESET:
    case WSAECONNABORTED: text = "the connection was reset"; break;
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH: text = "the server cannot be reached"; break;
    case WSAHOST_NOT_FOUND:
    case WSANO_DATA: text = "the host name is unknown"; break;
    case WSATRY_AGAIN: text = "the host name could not be looked up"; break;
    }
    return text + " (" + std::to_string(code) + ")";
}

// What the server said, fit for a message box.
std::string Printable(const std::string& text) {
    std::string shown = text.substr(0, 200);
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20)
            c = '?';
    return shown;
}

DWORD Remaining(DWORD deadline) {
    const LONG left = static_cast<LONG>(deadline - GetTickCount());
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

// Waits until the socket is readable (or writable); false when the deadline came first.
bool WaitReady(SOCKET socket, bool write, DWORD deadline) {
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(socket, &ready);
    const DWORD left = Remaining(deadline);
    timeval limit = {static_cast<long>(left / 1000), static_cast<long>(left % 1000 * 1000)};
    const int count = select(0, write ? nullptr : &ready, write ? &ready : nullptr, nullptr, &limit);
    if (count == SOCKET_ERROR)
        throw SmtpError("The connection to the mail server broke: " +
                        SocketErrorText(WSAGetLastError()) + ".");
    return count > 0;
}

class Connection {
  public:
    explicit Connection(const TSmtpSettings& settings) : settings_(settings) {}
    void Open();
    void Write(const std::string& data);
    Reply ReadReply();
    std::string LocalName() const;

  private:
    int TryConnect(const addrinfo& address, DWORD deadline);
    std::string ReadLine(DWORD deadline);

    const TSmtpSettings& settings_;
    UniqueSocket socket_;
    std::string pending_;
};

void Connection::Open() {
    const std::string port = std::to_string(settings_.Port);
    const std::string where = "the mail server " + settings_.Host + ":" + port;
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const int lookup = getaddrinfo(settings_.Host.c_str(), port.c_str(), &hints, &found);
    if (lookup != 0 || !found)
        throw SmtpError("Could not find " + where + ": " + SocketErrorText(lookup) + ".");
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, &freeaddrinfo);
    const DWORD deadline = GetTickCount() + settings_.ConnectTimeoutMs;
    int error = WSAETIMEDOUT;
    for (const addrinfo* address = found; address && error != 0; address = address->ai_next)
        error = TryConnect(*address, deadline);
    if (error == WSAETIMEDOUT)
        throw SmtpError("Could not connect to " + where + ": no answer within " +
                        Seconds(settings_.ConnectTimeoutMs) + ".");
    if (error != 0)
        throw SmtpError("Could not connect to " + where + ": " + SocketErrorText(error) + ".");
}

// 0 when connected; otherwise the Winsock error.
int Connection::TryConnect(const addrinfo& address, DWORD deadline) {
    UniqueSocket socket(::socket(address.ai_family, address.ai_socktype, address.ai_protocol));
    u_long nonBlocking = 1;
    if (!socket || ioctlsocket(socket.get(), FIONBIO, &nonBlocking) != 0)
        return WSAGetLastError();
    if (connect(socket.get(), address.ai_addr, static_cast<int>(address.ai_addrlen)) != 0) {
        if (WSAGetLastError() != WSAEWOULDBLOCK)
            return WSAGetLastError();
        // A connection that failed shows in the exception set (Winsock's documented way).
        fd_set written, failed;
        FD_ZERO(&written);
        FD_ZERO(&failed);
        FD_SET(socket.get(), &written);
        FD_SET(socket.get(), &failed);
        const DWORD left = Remaining(deadline);
        timeval limit = {static_cast<long>(left / 1000), static_cast<long>(left % 1000 * 1000)};
        const int count = select(0, nullptr, &written, &failed, &limit);
        if (count == 0)
            return WSAETIMEDOUT;
        if (count == SOCKET_ERROR)
            return WSAGetLastError();
        int error = 0;
        int size = sizeof(error);
        getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
        if (error != 0 || FD_ISSET(socket.get(), &failed))
            return error != 0 ? error : WSAECONNREFUSED;
    }
    socket_ = std::move(socket);
    return 0;
}

void Connection::Write(const std::string& data) {
    const DWORD deadline = GetTickCount() + settings_.ReadTimeoutMs;
    size_t sent = 0;
    while (sent < data.size()) {
        if (!WaitReady(socket_.get(), true, deadline))
            throw SmtpError("The mail server took no data for " +
                            Seconds(settings_.ReadTimeoutMs) + ".");
        const int part = static_cast<int>(std::min<size_t>(data.size() - sent, 65536));
        const int count = send(socket_.get(), data.data() + sent, part, 0);
        if (count == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK)
            throw SmtpError("The connection to the mail server broke: " +
                            SocketErrorText(WSAGetLastError()) + ".");
        if (count > 0)
            sent += count;
    }
}

std::string Connection::ReadLine(DWORD deadline) {
    for (;;) {
        const size_t end = pending_.find('\n');
        if (end != std::string::npos && end <= kMaxReplyLine) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return line;
        }
        if (pending_.size() > kMaxReplyLine)
            throw SmtpError("The mail server sent a line longer than " +
                            std::to_string(kMaxReplyLine) + " characters.");
        if (!WaitReady(socket_.get(), false, deadline))
            throw SmtpError("The mail server did not answer within " +
                            Seconds(settings_.ReadTimeoutMs) + ".");
        char chunk[kChunk];
        const int count = recv(socket_.get(), chunk, kChunk, 0);
        if (count == 0)
            throw SmtpError("The mail server closed the connection.");
        if (count == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK)
            throw SmtpError("The connection to the mail server broke: " +
                            SocketErrorText(WSAGetLastError()) + ".");
        if (count > 0)
            pending_.append(chunk, count);
    }
}

// A reply is one line "ddd text" or several "ddd-text" lines closed by a "ddd text" one.
Reply Connection::ReadReply() {
    const DWORD deadline = GetTickCount() + settings_.ReadTimeoutMs;
    Reply reply;
    for (int count = 0; count < kMaxReplyLines; ++count) {
        const std::string line = ReadLine(deadline);
        const bool digits = line.size() >= 3 && isdigit(static_cast<unsigned char>(line[0])) &&
                            isdigit(static_cast<unsigned char>(line[1])) &&
                            isdigit(static_cast<unsigned char>(line[2]));
        if (!digits || (line.size() > 3 && line[3] != ' ' && line[3] != '-'))
            throw SmtpError("The mail server's answer is not SMTP: " + Printable(line));
        reply.code = std::stoi(line.substr(0, 3));
        if (line.size() > 4)
            reply.text += (reply.text.empty() ? "" : " ") + Printable(line.substr(4));
        if (line.size() == 3 || line[3] == ' ')
            return reply;
    }
    throw SmtpError("The mail server's answer does not end.");
}

// Our own address as a literal: a name the server can check, where we know no domain name.
std::string Connection::LocalName() const {
    sockaddr_in local = {};
    int size = sizeof(local);
    if (getsockname(socket_.get(), reinterpret_cast<sockaddr*>(&local), &size) != 0)
        return "localhost";
    return std::string("[") + inet_ntoa(local.sin_addr) + "]";
}

void Expect(const Reply& reply, int wanted, int alsoWanted, const std::string& what) {
    if (reply.code != wanted && reply.code != alsoWanted)
        throw SmtpError(what + ": " + std::to_string(reply.code) + " " + reply.text, true);
}

// Dot-stuffing: a line that starts with "." gets another, so that no line of the mail can end
// the data early. The text's lines all end in CR LF.
std::string DotStuffed(const std::string& text) {
    std::string stuffed;
    stuffed.reserve(text.size() + 64);
    bool lineStart = true;
    for (char c : text) {
        if (lineStart && c == '.')
            stuffed += '.';
        stuffed += c;
        lineStart = c == '\n';
    }
    return stuffed;
}

void Converse(Connection& connection, const TMailMessage& message, const std::string& date) {
    Expect(connection.ReadReply(), 220, 220, "The mail server did not take the connection");
    const std::string name = connection.LocalName();
    connection.Write("EHLO " + name + kCrLf);
    const Reply ehlo = connection.ReadReply();
    if (ehlo.code != 250) {
        // 500 to 504: a server of the first SMTP standard, which knows only HELO.
        if (ehlo.code < 500 || ehlo.code > 504)
            Expect(ehlo, 250, 250, "The mail server refused the greeting");
        connection.Write("HELO " + name + kCrLf);
        Expect(connection.ReadReply(), 250, 250, "The mail server refused the greeting");
    }
    connection.Write("MAIL FROM:<" + message.FromAddress + ">" + kCrLf);
    Expect(connection.ReadReply(), 250, 250,
           "The mail server refused the sender " + message.FromAddress);
    for (const std::string& recipient : message.Recipients) {
        connection.Write("RCPT TO:<" + recipient + ">" + kCrLf);
        Expect(connection.ReadReply(), 250, 251, "The mail server refused the recipient " + recipient);
    }
    connection.Write(std::string("DATA") + kCrLf);
    Expect(connection.ReadReply(), 354, 354, "The mail server refused to take the message");
    connection.Write(DotStuffed(MailMessageText(message, date)) + "." + kCrLf);
    Expect(connection.ReadReply(), 250, 250, "The mail server did not accept the message");
}

// Says goodbye to a server that still answers; what it says no longer matters.
void Quit(Connection& connection) {
    try {
        connection.Write(std::string("QUIT") + kCrLf);
        connection.ReadReply();
    } catch (const SmtpError&) {
    }
}

} // namespace

bool TSmtpClient::Send(const TMailMessage& message, std::string& error) const {
    error = MailMessageProblem(message);
    if (!error.empty())
        return false;
    WinsockSession winsock;
    if (!winsock.Started()) {
        error = "Windows Sockets could not be started.";
        return false;
    }
    SYSTEMTIME now;
    GetSystemTime(&now);
    Connection connection(settings_);
    try {
        connection.Open();
        Converse(connection, message, MailDateText(now));
        Quit(connection);
        return true;
    } catch (const SmtpError& failure) {
        if (failure.answered)
            Quit(connection);
        error = failure.what();
    }
    return false;
}

TMailSendThread::TMailSendThread(TSmtpSettings settings, TMailMessage message,
                                 std::function<void()> finished)
    : settings_(std::move(settings)), message_(std::move(message)), finished_(std::move(finished)) {
    thread_.reset(CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr));
    if (!thread_) {
        error_ = "The mail could not be sent: no worker thread could be started.";
        if (finished_)
            finished_();
    }
}

TMailSendThread::~TMailSendThread() {
    WaitFor();
}

void TMailSendThread::WaitFor() {
    if (thread_)
        WaitForSingleObject(thread_.get(), INFINITE);
}

DWORD WINAPI TMailSendThread::ThreadProc(void* self) {
    auto* thread = static_cast<TMailSendThread*>(self);
    try {
        thread->sent_ = TSmtpClient(thread->settings_).Send(thread->message_, thread->error_);
    } catch (const std::exception& failure) {
        // Nothing may unwind out of a thread.
        thread->sent_ = false;
        thread->error_ = failure.what();
    }
    if (thread->finished_)
        thread->finished_();
    return 0;
}

} // namespace ku
