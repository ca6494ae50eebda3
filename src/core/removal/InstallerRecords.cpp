// The Installer's records of its products: install locations and component files.
#include "core/removal/InstallerRecords.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/removal/OtherPrograms.h"
#include "core/system/ExactNames.h"
#include "core/system/Handles.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

const char kUserData[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData";
// The 85 characters of the Installer's compressed codes, in the order of their values.
const char kBase85[] =
    "!$%&'()*+,-.0123456789=?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[]^_`abcdefghijklmnopqrstuvwxyz{}~";

REGSAM NativeView() {
    try {
        return IsWow64() ? KEY_WOW64_64KEY : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

bool Open(HKEY parent, const std::string& path, UniqueKey& key) {
    return RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ | NativeView(), key.put()) ==
           ERROR_SUCCESS;
}

// The Installer's stores of installed products: the machine's ("S-1-5-18") and each user's.
std::vector<std::string> Stores(HKEY userData) {
    std::vector<std::string> stores;
    for (const KeyName& name : RegKeyNamesExact(userData))
        if (name.exact)
            stores.push_back(name.name);
    return stores;
}

// A component's recorded path when it names a file: "C:\..." (or "C?\..."); a registry key
// ("02:\...") or anything else gives "".
std::string RecordedFile(std::string data) {
    if (data.size() < 4 || data[2] != '\\' || (data[1] != ':' && data[1] != '?') ||
        !std::isalpha(static_cast<unsigned char>(data[0])))
        return std::string();
    data[1] = ':';
    return data;
}

// The file one store records for the product in the component's key, if any.
std::string ComponentFile(HKEY userData, const std::vector<std::string>& stores,
                          const std::string& component, const std::string& product) {
    for (const std::string& store : stores) {
        UniqueKey key;
        std::string data;
        if (Open(userData, store + "\\Components\\" + component, key) &&
            RegQueryStringExact(key.get(), product, data) == ERROR_SUCCESS) {
            const std::string file = RecordedFile(data);
            if (!file.empty())
                return file;
        }
    }
    return std::string();
}

// The files of the product's components that its features list.
std::vector<std::string> FeatureFiles(HKEY userData, const std::vector<std::string>& stores,
                                      const std::string& product,
                                      const std::function<void()>& pump) {
    std::vector<std::string> files;
    std::string name, data;
    for (const std::string& store : stores) {
        UniqueKey features;
        if (!Open(userData, store + "\\Products\\" + product + "\\Features", features))
            continue;
        DWORD type = 0;
        for (DWORD index = 0;; ++index) {
            const LONG result = RegEnumValueExact(features.get(), index, name, type, data);
            if (result != ERROR_SUCCESS && result != kInexactName)
                break; // no more values, or none the registry will hand out
            if (result != ERROR_SUCCESS || type != REG_SZ)
                continue;
            for (const std::string& component : FeatureComponentCodes(data)) {
                if (pump)
                    pump();
                const std::string file = ComponentFile(userData, stores, component, product);
                if (!file.empty())
                    files.push_back(file);
            }
        }
    }
    return files;
}

// One pass over every component registration of every store, for the products whose features
// named none.
void AddEveryComponentsFiles(HKEY userData, const std::vector<std::string>& stores,
                             const std::vector<std::string>& products,
                             std::map<std::string, std::vector<std::string>>& files,
                             const std::function<void()>& pump) {
    std::string name, data;
    for (const std::string& store : stores) {
        UniqueKey components;
        if (!Open(userData, store + "\\Components", components))
            continue;
        for (const KeyName& component : RegKeyNamesExact(components.get())) {
            if (pump)
                pump();
            UniqueKey key;
            if (!component.exact || !Open(components.get(), component.name, key))
                continue;
            DWORD type = 0;
            for (DWORD index = 0;; ++index) {
                const LONG result = RegEnumValueExact(key.get(), index, name, type, data);
                if (result != ERROR_SUCCESS && result != kInexactName)
                    break;
                const std::string file =
                    result == ERROR_SUCCESS && type == REG_SZ ? RecordedFile(data) : std::string();
                const std::string product = file.empty() ? std::string() : UpperCase(name);
                if (!product.empty() &&
                    std::binary_search(products.begin(), products.end(), product))
                    files[product].push_back(file);
            }
        }
    }
}

} // namespace

std::string RecordedInstallLocation(const std::string& packedProduct) {
    UniqueKey userData;
    if (!Open(HKEY_LOCAL_MACHINE, kUserData, userData))
        return std::string();
    for (const std::string& store : Stores(userData.get())) {
        UniqueKey properties;
        std::string location;
        if (Open(userData.get(), store + "\\Products\\" + packedProduct + "\\InstallProperties",
                 properties) &&
            RegQueryStringExact(properties.get(), "InstallLocation", location) == ERROR_SUCCESS &&
            !Trim(location).empty())
            return location;
    }
    return std::string();
}

std::map<std::string, std::vector<std::string>>
RecordedComponentFiles(const std::vector<std::string>& products,
                       const std::function<void()>& pump) {
    std::map<std::string, std::vector<std::string>> files;
    UniqueKey userData;
    if (products.empty() || !Open(HKEY_LOCAL_MACHINE, kUserData, userData))
        return files;
    const std::vector<std::string> stores = Stores(userData.get());
    std::vector<std::string> unlisted;
    for (const std::string& product : products) {
        std::vector<std::string> found = FeatureFiles(userData.get(), stores, product, pump);
        if (found.empty())
            unlisted.push_back(product);
        else
            files[product] = std::move(found);
    }
    std::sort(unlisted.begin(), unlisted.end());
    if (!unlisted.empty())
        AddEveryComponentsFiles(userData.get(), stores, unlisted, files, pump);
    return files;
}

// Each code is four 32-bit numbers, each five characters, the lowest digit first; the numbers
// are the code's 16 bytes in the order a GUID keeps them in memory.
std::vector<std::string> FeatureComponentCodes(const std::string& text) {
    std::vector<std::string> codes;
    std::string run;
    auto take = [&] {
        for (size_t at = 0; at + 20 <= run.size(); at += 20) {
            unsigned char bytes[16];
            for (int part = 0; part < 4; ++part) {
                unsigned long long value = 0, weight = 1;
                for (int digit = 0; digit < 5; ++digit, weight *= 85)
                    value +=
                        weight * static_cast<unsigned long long>(
                                     std::strchr(kBase85, run[at + part * 5 + digit]) - kBase85);
                for (int byte = 0; byte < 4; ++byte)
                    bytes[part * 4 + byte] = static_cast<unsigned char>(value >> (8 * byte));
            }
            char braced[40];
            std::snprintf(braced, sizeof braced,
                          "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                          bytes[3], bytes[2], bytes[1], bytes[0], bytes[5], bytes[4], bytes[7],
                          bytes[6], bytes[8], bytes[9], bytes[10], bytes[11], bytes[12], bytes[13],
                          bytes[14], bytes[15]);
            codes.push_back(PackedProductCode(braced));
        }
        run.clear();
    };
    for (char c : text) {
        if (c != '\0' && std::strchr(kBase85, c))
            run += c;
        else
            take();
    }
    take();
    return codes;
}

} // namespace ku
