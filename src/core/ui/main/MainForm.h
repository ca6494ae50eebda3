// The main window lives in MainUnit.h; this name stays for the code that included it first.
#pragma once

#include "core/ui/main/MainUnit.h"
