# 32-bit Windows, as the program ships.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(LAUNCHER_MINGW i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
