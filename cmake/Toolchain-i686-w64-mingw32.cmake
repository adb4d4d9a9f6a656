# Cross-builds the 32-bit Windows console program with MinGW-w64 (Debian's g++-mingw-w64-i686):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/Toolchain-i686-w64-mingw32.cmake
# What the build makes runs under Wine through CMAKE_CROSSCOMPILING_EMULATOR, the script
# wine-run in the build folder. Toolchain-x86_64-w64-mingw32.cmake reuses this file.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT VEXTRAL_MINGW_TRIPLET)
  set(VEXTRAL_MINGW_TRIPLET i686-w64-mingw32)
  set(CMAKE_SYSTEM_PROCESSOR x86)
  set(VEXTRAL_WINE_NAMES wine)
  set(VEXTRAL_WINESERVER_NAMES wineserver)
endif()

# The posix thread model keeps std::thread and std::mutex available to every source; -static
# below links its runtime into each binary, so no extra DLL ships.
find_program(CMAKE_C_COMPILER NAMES ${VEXTRAL_MINGW_TRIPLET}-gcc-posix ${VEXTRAL_MINGW_TRIPLET}-gcc
             REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${VEXTRAL_MINGW_TRIPLET}-g++-posix
             ${VEXTRAL_MINGW_TRIPLET}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VEXTRAL_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VEXTRAL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static runtime: Vextral.exe and our DLLs need nothing beyond the system's DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
if(VEXTRAL_MINGW_TRIPLET STREQUAL i686-w64-mingw32)
  # A .def file names the __stdcall exports undecorated (CheckForDVBEx, not CheckForDVBEx@4);
  # binding the two is what we want, so the linker need not warn about it.
  string(APPEND CMAKE_SHARED_LINKER_FLAGS_INIT " -Wl,--enable-stdcall-fixup")
endif()

# Wine, with a prefix of the build folder's own, so a build never touches ~/.wine.
find_program(VEXTRAL_WINE_PROGRAM NAMES ${VEXTRAL_WINE_NAMES} PATHS /usr/lib/wine)
find_program(VEXTRAL_WINE_SERVER NAMES ${VEXTRAL_WINESERVER_NAMES} PATHS /usr/lib/wine)
if(VEXTRAL_WINE_PROGRAM AND VEXTRAL_WINE_SERVER)
  set(VEXTRAL_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  if(VEXTRAL_WINE_SETS_LOADER)
    set(VEXTRAL_WINE_LOADER_LINE "export WINELOADER='${VEXTRAL_WINE_PROGRAM}'")
  endif()
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                 WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()
