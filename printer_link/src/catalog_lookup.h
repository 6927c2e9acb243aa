// The catalog lookup behind BaseGetPOText, given what gettext found for the id.
#pragma once

#include "QVSettingToolDll.h"

namespace qv::catalog {

// Writes the display text of found (gettext's answer for id: the id itself when there is no
// translation) into text, 260 units, or leaves text untouched. Returns text.
QVWCHAR* lookup(const char* id, const char* found, QVWCHAR* text);

}  // namespace qv::catalog
