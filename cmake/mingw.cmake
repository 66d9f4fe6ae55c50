# Cross-compilation to Windows with MinGW-w64; tests run through Wine.
# QM_MINGW_TARGET picks the processor: i686 for the product, x86_64 for the
# second platform of the Windows tests. QM_MINGW_THREADS picks the compilers'
# thread model: posix for the test programs (GoogleTest needs std::mutex),
# win32 for the 32-bit product, whose run-time libraries then import nothing
# that Windows 95 lacks.
set(QM_MINGW_TARGET i686 CACHE STRING "MinGW-w64 target processor: i686 or x86_64")
set(QM_MINGW_THREADS posix CACHE STRING "MinGW-w64 thread model: posix or win32")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QM_MINGW_TARGET QM_MINGW_THREADS)
set(triple ${QM_MINGW_TARGET}-w64-mingw32)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${QM_MINGW_TARGET})
set(CMAKE_C_COMPILER ${triple}-gcc-${QM_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${triple}-g++-${QM_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
# Static, so that no MinGW run-time DLL must be found; no symbols in the
# optimised build, since the setup ships on a diskette.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
