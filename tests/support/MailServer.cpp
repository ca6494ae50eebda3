// Test support: ports and received mail of the local mail server.
#include "support/MailServer.h"

#include <windows.h>

#include <cstring>
#include <sstream>

#include "support/Files.h"

namespace kutest {
namespace {

const std::string kRoot = "C:\\kutest\\smtp\\";

// Lines ended by LF or CR LF.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line); lines.push_back(line))
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
    return lines;
}

} // namespace

unsigned short MailServerPort(const std::string& listener) {
    std::istringstream ports(ReadAll(kRoot + "ports.txt"));
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
    std::string value;
    bool inside = false;
    for (const std::string& line : Lines(data)) {
        if (line.empty() || (inside && line[0] != ' ' && line[0] != '\t'))
            break; // the end of the headers, or of the one asked for
        if (inside)
            value += line; // a folded header goes on in the next line
        else if ((inside = line.rfind(name + ": ", 0) == 0))
            value = line.substr(name.size() + 2);
    }
    return value;
}

ReceivedMail ReceivedMailFrom(const std::string& sender) {
    std::string base = sender; // named as the server names it
    for (char& c : base)
        if (!isalnum(static_cast<unsigned char>(c)) && !strchr("@._-", c))
            c = '_';
    base = kRoot + "mail\\" + base;
    const std::string record = ReadAll(base + ".txt");
    const size_t split = record.find("\n\n");
    if (split == std::string::npos)
        return ReceivedMail();
    return {Lines(record.substr(0, split)), record.substr(split + 2),
            Lines(ReadAll(base + ".body.txt"))};
}

} // namespace kutest
