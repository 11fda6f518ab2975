# 64-bit Windows: the test twin of the shipped 32-bit program, for hosts that
# cannot run 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(LAUNCHER_MINGW x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
