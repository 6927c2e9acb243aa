// What the dialog tests take from POSIX, on Windows: the environment set through the C runtime,
// which the catalog binding and gettext read.
#pragma once

#include <cstdlib>

inline int setenv(const char* name, const char* value, int overwrite) {
    if (overwrite == 0 && std::getenv(name) != nullptr) {
        return 0;
    }
    return _putenv_s(name, value);
}

inline int unsetenv(const char* name) {
    // An empty value removes the variable.
    return _putenv_s(name, "");
}
