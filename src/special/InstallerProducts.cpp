// Installer products by name, and the rewrite of their names.
#include "special/InstallerProducts.h"

#include "core/scan/RegValueList.h"
#include "core/system/ExactNames.h"
#include "core/system/Handles.h"
#include "core/system/Reg32vs64.h"
#include "core/system/StrUtil.h"

namespace ku {

std::string InstallerProductNames;

namespace {

std::string PropertiesPath(const std::string& code) {
    return std::string(kInstallerProductsPath) + "\\" + Trim(code) + "\\InstallProperties";
}

// A text of the open product key, read exactly (empty when missing or not a string); false
// when the code page cannot hold it.
bool ReadProductText(HKEY key, const char* name, std::string& text) {
    const LONG rc = RegQueryStringExact(key, name, text);
    if (rc != ERROR_SUCCESS)
        text.clear();
    return rc != kInexactName;
}

void AppendName(const std::string& value, bool first) {
    if (Trim(value).empty())
        return;
    InstallerProductNames = first ? value : InstallerProductNames + "," + value;
}

} // namespace

void FindInstallerProductsByName(const std::string& names, std::vector<std::string>& codes,
                                 TUninstallerContents& contents,
                                 const LeftoverScanProgress& progress) {
    std::string wanted = names;
    if (wanted.empty() || wanted.back() != ',')
        wanted += ',';
    if (wanted[0] == ',')
        wanted.erase(0, 1);
    codes.clear();
    UniqueKey products;
    if (!OpenScanKey(HKEY_LOCAL_MACHINE, kInstallerProductsPath, products.put()))
        return;
    for (const std::string& code : ReadSubkeyNames(products.get())) {
        progress.Pump();
        UniqueKey properties;
        if (!OpenScanKey(HKEY_LOCAL_MACHINE, PropertiesPath(code), properties.put()))
            continue;
        // A product whose name, contact or folder the code page cannot hold is left alone: in
        // a shown form it would be matched, scanned and renamed as another product.
        std::string display, contact, location;
        if (!ReadProductText(properties.get(), "DisplayName", display) ||
            !ReadProductText(properties.get(), "Contact", contact) ||
            !ReadProductText(properties.get(), "InstallLocation", location))
            continue;
        const std::string match = UpperCase(Trim(display)) + "," + UpperCase(Trim(contact));
        for (const std::string& name : SplitString(wanted, ',')) {
            if (!ContainsText(match, Trim(name)))
                continue;
            codes.push_back(code);
            AppendName(display, Trim(InstallerProductNames).empty());
            AppendName(contact, false);
            AppendName(location, false);
        }
    }
    if (!codes.empty())
        SearchRegistryLeftoversEx(codes, contents, progress);
}

void RewriteInstallerProductNames(const std::vector<std::string>& codes) {
    std::string joined;
    for (const std::string& code : codes)
        joined += (joined.empty() ? "" : ",") + UpperCase(code);
    bool referenced = false;
    UniqueKey components;
    if (OpenScanKey(HKEY_LOCAL_MACHINE, kInstallerComponentsPath, components.put()))
        for (const std::string& component : ReadSubkeyNames(components.get())) {
            UniqueKey key;
            if (RegOpenKeyExA(components.get(), component.c_str(), 0, KEY_READ | ScanReadView(),
                              key.put()) != ERROR_SUCCESS)
                continue;
            for (const RegValueEntry& value : ReadValues(key.get()))
                referenced = referenced || ContainsText(joined, value.name);
            if (referenced)
                break;
        }
    if (!referenced)
        return;
    for (const std::string& code : codes) {
        TRegistry reg(RegistryViewAccess());
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        try {
            if (reg.OpenKey("\\" + PropertiesPath(code), false, true)) {
                reg.WriteString("DisplayName", InstallerProductNames);
                reg.WriteString("Contact", InstallerProductNames);
            }
        } catch (const std::exception&) {
        }
    }
}

} // namespace ku
