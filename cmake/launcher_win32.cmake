# launcher.exe: a 64-bit GUI-subsystem image whose C runtime start-up calls the narrow main,
# that imports JNI_CreateJavaVM from jvm.dll at load time, exports the updater's native method
# and carries the manifest, version information and icons. Nothing but jvm.dll and system
# DLLs beside it: libstdc++ and libgcc are linked in, the C runtime is the system's.
set(_resources "${CMAKE_SOURCE_DIR}/src/startup/resources")
set(_win32 "${CMAKE_SOURCE_DIR}/src/platform/win32")
set(_out "${CMAKE_CURRENT_BINARY_DIR}")

# jvm.dll's import library, made from the list of what the launcher imports: the JDK for
# Windows is not needed to build.
find_program(TRELLANE_DLLTOOL x86_64-w64-mingw32-dlltool REQUIRED)
add_custom_command(OUTPUT "${_out}/libjvm.dll.a"
  COMMAND "${TRELLANE_DLLTOOL}" --input-def "${_win32}/jvm.def" --dllname jvm.dll
          --output-lib "${_out}/libjvm.dll.a"
  DEPENDS "${_win32}/jvm.def" VERBATIM)

# Resources: the icon is drawn at build time, then windres compiles the script into an object.
find_program(TRELLANE_PYTHON python3 REQUIRED)
add_custom_command(OUTPUT "${_out}/launcher.ico"
  COMMAND "${TRELLANE_PYTHON}" "${_resources}/make_icon.py" "${_out}/launcher.ico"
  DEPENDS "${_resources}/make_icon.py" VERBATIM)
add_custom_command(OUTPUT "${_out}/launcher_resources.o"
  COMMAND "${CMAKE_RC_COMPILER}" --input-format=rc --output-format=coff
          -I "${_resources}" -I "${_out}" -i "${_resources}/launcher.rc"
          -o "${_out}/launcher_resources.o"
  DEPENDS "${_resources}/launcher.rc" "${_resources}/launcher.manifest" "${_out}/launcher.ico"
  VERBATIM)
set_source_files_properties("${_out}/launcher_resources.o" PROPERTIES
  EXTERNAL_OBJECT TRUE GENERATED TRUE)
add_custom_target(launcher_inputs DEPENDS "${_out}/libjvm.dll.a" "${_out}/launcher_resources.o")

target_sources(launcher PRIVATE "${_out}/launcher_resources.o")
add_dependencies(launcher launcher_inputs)
set_target_properties(launcher PROPERTIES SUFFIX ".exe"
  LINK_DEPENDS "${_resources}/launcher.def;${_out}/libjvm.dll.a")
target_link_libraries(launcher PRIVATE "${_out}/libjvm.dll.a" ole32 shell32 user32 advapi32 kernel32)
target_link_options(launcher PRIVATE
  -static-libstdc++ -static-libgcc
  # GUI subsystem, so Windows creates no console, with the runtime's start-up for main.
  -Wl,--subsystem,windows:6.0 -Wl,--entry,mainCRTStartup
  -Wl,--major-os-version,6 -Wl,--minor-os-version,0
  # Relocatable at high-entropy addresses, no-execute, terminal-server aware.
  -Wl,--dynamicbase -Wl,--enable-reloc-section -Wl,--high-entropy-va -Wl,--nxcompat
  -Wl,--tsaware
  "SHELL:-Xlinker --stack=0x100000,0x1000"
  # The same sources give the same bytes: no link time in the headers.
  -Wl,--no-insert-timestamp
  # The export directory comes from the .def file alone.
  "${_resources}/launcher.def" -Wl,--exclude-all-symbols
  $<$<CONFIG:Release>:-s>)
