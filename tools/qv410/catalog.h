// The messages of qv410 come from the program's catalogs, through the library's lookup.
#pragma once

#include <string>

namespace qv410 {

// The user's locale, English in the C locale and for languages without a catalog of ours, the
// "PrinterConfig" domain from Lang/ beside the program (the build tree), else from the installed
// locale folder, found relative to the program.
void bindCatalog();

// The catalog text of a message id; the id itself when the catalog has none.
std::string catalogText(const char* id);

}  // namespace qv410
