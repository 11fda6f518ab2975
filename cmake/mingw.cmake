# Windows with mingw-w64, for the triplet that cmake/mingw-i686.cmake or
# cmake/mingw-x86_64.cmake names.
set(CMAKE_SYSTEM_NAME Windows)

# The win32 thread model, unless a tree asks for posix: the program starts no
# thread, and under posix libstdc++ and the unwinder take their locks from
# winpthread, which then is linked in whole. GoogleTest needs std::mutex,
# which only the posix model's libstdc++ has, so its tests are built in a
# tree of their own (see the top CMakeLists.txt).
if(NOT LAUNCHER_THREAD_MODEL)
  set(LAUNCHER_THREAD_MODEL win32)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LAUNCHER_THREAD_MODEL)
set(CMAKE_C_COMPILER ${LAUNCHER_MINGW}-gcc-${LAUNCHER_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${LAUNCHER_MINGW}-g++-${LAUNCHER_THREAD_MODEL})
set(CMAKE_RC_COMPILER ${LAUNCHER_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${LAUNCHER_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# No mingw DLLs beside the program: everything but system DLLs is linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
