# Fails the build when the program's link map shows an object of winpthread,
# which only the posix thread model links in (see cmake/mingw.cmake):
#   cmake -D MAP=TarvexAdvanceSMSServer.map -P cmake/no-winpthread.cmake
file(STRINGS ${MAP} members REGEX "lib(win)?pthread\\.a\\(")
if(members)
  list(GET members 0 first)
  message(FATAL_ERROR "${MAP}: winpthread is linked in, though the program starts no thread: ${first}")
endif()
