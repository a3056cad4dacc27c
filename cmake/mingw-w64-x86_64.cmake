# Cross toolchain for 64-bit Windows: mingw-w64 with POSIX threads (Debian's
# g++-mingw-w64-x86-64-posix). Programs and the DLL link the C++ runtime, libgcc and
# winpthread statically, so no runtime DLL has to lie beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(OXSDK_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${OXSDK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OXSDK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${OXSDK_MINGW_TRIPLET}-windres)

# Libraries, headers and CMake packages come from the target's prefix only: nothing of the
# host (its GoogleTest, its header-only packages' configs) reaches a Windows compile.
# Beside it, OXSDK_WIN64_DEPS (set by the win64 preset): libraries that Debian packages for
# the host only, built for Windows from their Debian sources by scripts/win64-*.sh, today
# GeographicLib, so that the Windows emulator computes the same geodesics as the Linux one.
# The configure builds it on first use (and when the host's version changes); afterwards the
# script only compares the version it was built from.
set(CMAKE_FIND_ROOT_PATH /usr/${OXSDK_MINGW_TRIPLET})
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES OXSDK_WIN64_DEPS)
if(OXSDK_WIN64_DEPS)
    if(NOT CMAKE_IN_TRY_COMPILE)
        execute_process(COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../scripts/win64-geographiclib.sh
                                ${OXSDK_WIN64_DEPS}/geographiclib RESULT_VARIABLE status)
        if(NOT status EQUAL 0)
            message(WARNING "GeographicLib could not be built for Windows: the Windows emulator "
                            "falls back to geodesics on a sphere")
        endif()
    endif()
    list(APPEND CMAKE_FIND_ROOT_PATH ${OXSDK_WIN64_DEPS}/geographiclib)
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
