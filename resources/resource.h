// Resource identifiers of KU.exe: one header, no number used twice.
#pragma once

#define IDI_MAINICON 100
