# What both MinGW-w64 toolchains share; each sets CMAKE_SYSTEM_PROCESSOR first. Debian's
# compilers of the posix thread model, for std::thread and std::mutex; programs run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(_qv410_mingw ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)

set(CMAKE_C_COMPILER ${_qv410_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_qv410_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_qv410_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_qv410_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program and the DLL carry their runtime (libgcc, libstdc++, winpthread) statically, so
# they need nothing beside them but system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Test discovery and the tests themselves run the .exe files through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
