// What Windows Installer records of the products it installed, read from its own keys (the
// native view, every user's store below "UserData"): a product's install location and the files
// of its components. Products and components go by their packed codes (PackedProductCode).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace ku {

// The folder the Installer recorded as the product's InstallLocation, as recorded; "" when no
// store records one.
std::string RecordedInstallLocation(const std::string& packedProduct);

// The files of the products' components, as recorded ("C:\...", a file the Installer keeps
// elsewhere written "C?\..." read as "C:\..."), for the products given (packed, upper case):
// found through each product's features, which list its components, and for the products
// whose features name none by one pass over every component registration. `pump` (may be
// empty) is called between the keys read.
std::map<std::string, std::vector<std::string>>
RecordedComponentFiles(const std::vector<std::string>& products,
                       const std::function<void()>& pump = nullptr);

// The packed codes of the components a feature's value lists: its text is their codes in the
// Installer's compressed form, 20 characters each; what is no such code is passed over.
std::vector<std::string> FeatureComponentCodes(const std::string& text);

} // namespace ku
