# Cross-build for 64-bit Windows with Debian's MinGW-w64 (posix thread model, which Qt needs).
# The Windows builds of Qt, OpenSSL and SQLite come from KWP_WINDOWS_SDK (folders qt/ and
# deps/, see scripts/windows.sh); Qt's host tools (moc, rcc, uic) from the Linux Qt.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT KWP_WINDOWS_SDK AND DEFINED ENV{KWP_WINDOWS_SDK})
    set(KWP_WINDOWS_SDK $ENV{KWP_WINDOWS_SDK})
endif()
if(NOT KWP_WINDOWS_SDK)
    message(FATAL_ERROR "KWP_WINDOWS_SDK names no folder with the Windows libraries (qt/, deps/)")
endif()
# try_compile() projects read this file again: hand the folder on to them.
set(ENV{KWP_WINDOWS_SDK} ${KWP_WINDOWS_SDK})
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KWP_WINDOWS_SDK)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${KWP_WINDOWS_SDK}/qt ${KWP_WINDOWS_SDK}/deps)
set(CMAKE_PREFIX_PATH ${KWP_WINDOWS_SDK}/qt ${KWP_WINDOWS_SDK}/deps)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
set(OPENSSL_ROOT_DIR ${KWP_WINDOWS_SDK}/deps)
set(SQLite3_INCLUDE_DIR ${KWP_WINDOWS_SDK}/deps/include)
set(SQLite3_LIBRARY ${KWP_WINDOWS_SDK}/deps/lib/libsqlite3.dll.a)
