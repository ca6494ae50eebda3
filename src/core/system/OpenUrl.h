// Helpers of OpenURL (declared with the other system functions in PublicFunctionUnit.h).
#pragma once

#include <string>

namespace ku {

// Only web and mail addresses go to the browser: registry data can hold any text, and a
// program path there must not be started by a click on a link.
bool IsBrowserAddress(const std::string& url);

// The browser command made from Internet Explorer's LocalServer32 text: quotes removed,
// "%ProgramFiles%" replaced by programFilesDir, then quoted and followed by " -nohome".
std::string BrowserCommandFromLocalServer(const std::string& localServer,
                                          const std::string& programFilesDir);

// The executable of a browser command: one leading and trailing quote removed, cut after the
// first ".EXE", trimmed. The caller turns it into its short form.
std::string BrowserExecutable(const std::string& command);

} // namespace ku
