// The shared library carries the whole core (see CMakeLists.txt); the link state is statically
// initialised, so loading needs no code of its own.
#include "QVSettingToolDll.h"
