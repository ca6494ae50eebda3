// Test support: ports and received mail of the local mail server.
#include "support/MailServer.h"

#include <windows.h>

#include <fstream>
#include <sstream>

namespace kutest {

namespace {

std::string ReadAll(const std::string& path, bool& found) {
    std::ifstream file(path, std::ios::binary);
    found = file.good();
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The file name the server gives a sender's mail.
std::string FileName(const std::string& sender) {
    std::string name = sender.empty() ? "none" : sender;
    for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c)) && c != '@' && c != '.' && c != '_' && c != '-')
            c = '_';
    return std::string(kMailServerRoot) + "\\mail\\" + name;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
            line.clear();
        } else {
            line += text[at];
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

} // namespace

unsigned short MailServerPort(const std::string& listener) {
    bool found = false;
    std::istringstream ports(ReadAll(std::string(kMailServerRoot) + "\\ports.txt", found));
    std::string name;
    unsigned port = 0;
    while (ports >> name >> port)
        if (name == listener)
            return static_cast<unsigned short>(port);
    return 0;
}

std::string UniqueSender(const std::string& start) {
    static int counter = 0;
    return start + "-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount()) + "-" + std::to_string(++counter) + "@kutest.example";
}

std::string ReceivedMail::Header(const std::string& name) const {
    const std::string wanted = name + ":";
    for (const std::string& line : Lines(data)) {
        if (line.empty())
            break; // the end of the headers
        if (_strnicmp(line.c_str(), wanted.c_str(), wanted.size()) == 0) {
            const size_t value = line.find_first_not_of(' ', wanted.size());
            return value == std::string::npos ? std::string() : line.substr(value);
        }
    }
    return std::string();
}

std::vector<std::string> ReceivedMail::BodyLines() const {
    return Lines(body);
}

ReceivedMail ReceivedMailFrom(const std::string& sender) {
    ReceivedMail mail;
    const std::string base = FileName(sender);
    const std::string record = ReadAll(base + ".txt", mail.found);
    if (!mail.found)
        return mail;
    bool bodyFound = false;
    mail.body = ReadAll(base + ".body.txt", bodyFound);
    const size_t split = record.find("\n\n");
    mail.envelope = Lines(record.substr(0, split));
    mail.data = split == std::string::npos ? std::string() : record.substr(split + 2);
    return mail;
}

} // namespace kutest
