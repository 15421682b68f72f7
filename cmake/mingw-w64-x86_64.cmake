# Cross build for 64-bit Windows with Debian's MinGW-w64 (the POSIX-threads
# flavour, which gives std::thread and std::mutex). The C and C++ runtimes are
# linked statically so that every .exe runs on its own, and test programs run
# under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TALLYVANE_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TALLYVANE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALLYVANE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TALLYVANE_MINGW_PREFIX}-windres)
set(CMAKE_AR ${TALLYVANE_MINGW_PREFIX}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${TALLYVANE_MINGW_PREFIX}-gcc-ranlib-posix CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${TALLYVANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows 10 and later: the API level the platform code is written against.
add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 UNICODE _UNICODE
                        WIN32_LEAN_AND_MEAN NOMINMAX)
# The C library's printf family from MinGW itself, which rounds decimals
# exactly ("%.2f" of 2.675 is "2.67") and knows the C99 conversions, instead of
# the system msvcrt's.
add_compile_definitions(__USE_MINGW_ANSI_STDIO=1)
# Static runtimes, so that no libgcc/libstdc++/winpthread DLL has to travel with
# the programs; -Wl,-Bstatic pulls in winpthread statically as well.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# add_test() of an executable target runs it through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# GCC 12 reports a false -Wrestrict inside libstdc++ for "text" + std::string
# at -O2 (GCC bug 105329); it is not a fault of this code.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
