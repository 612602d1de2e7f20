# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 compilers. The posix-thread variant
# is the one whose C++ runtime has std::thread and std::mutex, which Qt needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TESSALY_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TESSALY_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSALY_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSALY_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${TESSALY_MINGW_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${TESSALY_MINGW_TRIPLET}-ranlib CACHE FILEPATH "")

# Libraries and headers come only from the MinGW sysroot and the prefixes given on the command
# line (the cross-built Qt and converter libraries), never from the build machine's /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${TESSALY_MINGW_TRIPLET} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine when CTest runs them, through a script that shows their reports.
find_program(TESSALY_WINE wine)
if(TESSALY_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-test)
endif()
