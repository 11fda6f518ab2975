# What the code compiles with, kept here alone: the warnings, and the
# definitions the Windows headers are read with. Targets link the interface
# libraries below; scripts/lint runs this file (cmake -P) for the definitions,
# so that it reads the Windows code as the build does.
set(LAUNCHER_WARNINGS -Wall -Wextra -Wpedantic -Wconversion -Werror)
set(LAUNCHER_WINDOWS_DEFINITIONS UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

if(CMAKE_SCRIPT_MODE_FILE)
  list(TRANSFORM LAUNCHER_WINDOWS_DEFINITIONS PREPEND -D)
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo ${LAUNCHER_WINDOWS_DEFINITIONS})
  return()
endif()

add_library(launcher_warnings INTERFACE)
target_compile_options(launcher_warnings INTERFACE $<$<COMPILE_LANGUAGE:CXX>:${LAUNCHER_WARNINGS}>)
add_library(launcher_windows INTERFACE)
target_compile_definitions(launcher_windows INTERFACE ${LAUNCHER_WINDOWS_DEFINITIONS})

if(WIN32)
  # Each function in a section of its own, so that the link leaves out what
  # nothing calls. The linker keeps every function that has unwind data
  # (.eh_frame, .pdata), nearly all of them, so little goes. Not data: with
  # -fdata-sections mingw-w64's GCC stores zero-filled variables in the file
  # as .data rather than leave them to .bss.
  add_compile_options(-ffunction-sections)
  add_link_options(-Wl,--gc-sections)
  # The program's code optimised across its files at the link: a sixth
  # smaller, and what brings its resident memory within 1 % of the least
  # program's (bench/run). Not for the tree of GoogleTest's tests, whose
  # links it would only slow.
  if(NOT LAUNCHER_THREAD_MODEL STREQUAL "posix")
    set(CMAKE_INTERPROCEDURAL_OPTIMIZATION ON)
  endif()
endif()
