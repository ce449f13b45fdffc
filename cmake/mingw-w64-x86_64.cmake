# Cross-compiling launcher.exe for Windows x86-64 with Debian's mingw-w64 (win32 threads: the
# launcher makes its own with CreateThread), on the universal C runtime.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The compiler's own specs link msvcrt.dll, the old system runtime. The same specs with the
# universal runtime's import library in its place (libucrt.a: the api-ms-win-crt DLLs), and
# _UCRT so the headers declare the universal runtime's functions. mingw-w64's start-up
# objects and libmingwex serve both runtimes: libucrt.a carries the entry points they use.
set(TRELLANE_UCRT_SPECS "${CMAKE_BINARY_DIR}/ucrt.specs")
if(NOT EXISTS "${TRELLANE_UCRT_SPECS}")
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpspecs
    OUTPUT_VARIABLE _specs COMMAND_ERROR_IS_FATAL ANY)
  string(REPLACE "-lmsvcrt" "-lucrt" _specs "${_specs}")
  file(WRITE "${TRELLANE_UCRT_SPECS}" "${_specs}")
endif()
set(CMAKE_C_FLAGS_INIT "-D_UCRT")
set(CMAKE_CXX_FLAGS_INIT "-D_UCRT")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-specs=${TRELLANE_UCRT_SPECS}")
