// Line formats of the startup manager's backup files and the line list that reads and writes them.
#include "sysmanager/StartupBackup.h"

#include <cctype>
#include <cstdlib>

#include "core/system/FileSystem.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

struct Escape {
    char plain;
    const char* code;
};
const Escape kEscapes[] = {{'%', "%25"}, {'#', "%23"}, {'|', "%7C"}, {'\r', "%0D"}, {'\n', "%0A"}};

std::string EscapeName(const std::string& name) {
    std::string out;
    for (char c : name) {
        const Escape* found = nullptr;
        for (const Escape& escape : kEscapes)
            if (escape.plain == c)
                found = &escape;
        if (found)
            out += found->code;
        else
            out += c;
    }
    return out;
}

// Reverses EscapeName and reads a "%t<type>" suffix. A "%" that starts no known code stays as
// it is, so lines written without escapes read back unchanged.
void UnescapeName(const std::string& field, std::string& name, DWORD& type) {
    name.clear();
    type = REG_SZ;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            name += field[i];
            continue;
        }
        if (i + 1 < field.size() && field[i + 1] == 't' && i + 2 < field.size() &&
            std::isdigit(static_cast<unsigned char>(field[i + 2]))) {
            type = std::strtoul(field.c_str() + i + 2, nullptr, 10);
            return;
        }
        bool decoded = false;
        for (const Escape& escape : kEscapes)
            if (field.compare(i, 3, escape.code) == 0) {
                name += escape.plain;
                i += 2;
                decoded = true;
                break;
            }
        if (!decoded)
            name += '%';
    }
}

bool IsDriveStart(const std::string& text, size_t at) {
    return at + 2 < text.size() && std::isalpha(static_cast<unsigned char>(text[at])) &&
           text[at + 1] == ':' && text[at + 2] == '\\';
}

} // namespace

HKEY StartupRootKey(const std::string& name) {
    return NameToRootKey(name);
}

std::string StartupRootName(HKEY key) {
    return RootKeyToName(key);
}

std::string MakeBackupLine(const BackupLine& entry) {
    std::string name = EscapeName(entry.ValueName);
    if (entry.ValueType != REG_SZ)
        name += "%t" + std::to_string(entry.ValueType);
    return entry.Location() + "#" + name + "|" + entry.Data;
}

bool ParseBackupLine(const std::string& line, BackupLine& entry) {
    const size_t root = line.find('\\');
    const size_t hash = line.find('#');
    if (root == std::string::npos || hash == std::string::npos || hash < root)
        return false;
    const size_t bar = line.find('|', hash);
    if (bar == std::string::npos)
        return false;
    entry.RootName = line.substr(0, root);
    entry.KeyPath = line.substr(root + 1, hash - root - 1);
    UnescapeName(line.substr(hash + 1, bar - hash - 1), entry.ValueName, entry.ValueType);
    entry.Data = line.substr(bar + 1);
    return true;
}

bool FitsBackupLine(const std::string& data) {
    return data.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

std::string MakeDelLine(const DelLine& entry) {
    return entry.Original + "#" + entry.Copy + (entry.Disabled ? kDisabledMark : "");
}

bool ParseDelLine(const std::string& line, DelLine& entry) {
    std::string text = TrimRight(line);
    entry.Disabled = EndsText(text, kDisabledMark);
    if (entry.Disabled)
        text.resize(text.size() - 2);
    // File names cannot hold ":", so the copy's "X:\" marks the separator before it.
    size_t hash = std::string::npos;
    for (size_t at = text.find('#'); at != std::string::npos; at = text.find('#', at + 1))
        if (IsDriveStart(text, at + 1)) {
            hash = at;
            break;
        }
    if (hash == std::string::npos)
        hash = text.find('#');
    if (hash == std::string::npos)
        return false;
    entry.Original = text.substr(0, hash);
    entry.Copy = text.substr(hash + 1);
    return true;
}

std::string UnreadableBackupText(const std::string& path) {
    return "the backup file " + path +
           " cannot be read or written (is it open in another program?)";
}

bool TLineFile::Load() {
    Lines.clear();
    UniqueFile file(CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    for (;;) {
        if (!ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr))
            return false;
        if (read == 0)
            break;
        text.append(buffer, read);
    }
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string one = text.substr(start, end - start);
        if (!one.empty() && one.back() == '\r')
            one.pop_back();
        Lines.push_back(one);
        start = end + 1;
    }
    return true;
}

bool TLineFile::Save() const {
    std::string text;
    for (const std::string& line : Lines)
        text += line + "\r\n";
    UniqueFile file(CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == 0 &&
           (text.empty() || (WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()),
                                       &written, nullptr) &&
                             written == text.size())) &&
           SetEndOfFile(file.get()) && FlushFileBuffers(file.get());
}

bool TLineFile::CreateIfMissing() const {
    if (FileExists(path_))
        return true;
    UniqueFile file(CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file) || FileExists(path_);
}

int TLineFile::Find(const std::string& line) const {
    const std::string wanted = Trim(line);
    for (size_t i = 0; i < Lines.size(); ++i)
        if (Trim(Lines[i]) == wanted)
            return static_cast<int>(i);
    return -1;
}

bool TLineFile::RemoveFirst(const std::string& line) {
    const int index = Find(line);
    if (index < 0)
        return false;
    Lines.erase(Lines.begin() + index);
    return true;
}

} // namespace ku
