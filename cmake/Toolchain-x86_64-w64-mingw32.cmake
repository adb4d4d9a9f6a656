# The same program as a 64-bit Windows build, run under Debian's wine64. It exists for machines
# that cannot execute 32-bit x86 code at all, where 32-bit Wine cannot start: there it runs the
# Win32 code paths of the suite. The shipped program is the 32-bit one.
set(VEXTRAL_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(VEXTRAL_WINE_NAMES wine64)
set(VEXTRAL_WINESERVER_NAMES wineserver64)
# Debian's wine script would pick the 32-bit loader; run the 64-bit one directly.
set(VEXTRAL_WINE_SETS_LOADER ON)
include(${CMAKE_CURRENT_LIST_DIR}/Toolchain-i686-w64-mingw32.cmake)
