# The JDK whose jni.h the launcher is built against and, on Linux, whose libjvm.so it links.
# TRELLANE_JDK defaults to the JDK of the javac on the PATH.
if(NOT TRELLANE_JDK)
  find_program(TRELLANE_JAVAC javac REQUIRED)
  get_filename_component(_javac "${TRELLANE_JAVAC}" REALPATH)
  get_filename_component(_bin "${_javac}" DIRECTORY)
  get_filename_component(TRELLANE_JDK "${_bin}" DIRECTORY)
  set(TRELLANE_JDK "${TRELLANE_JDK}" CACHE PATH "JDK to build against")
endif()
if(NOT EXISTS "${TRELLANE_JDK}/include/jni.h")
  message(FATAL_ERROR "No jni.h under ${TRELLANE_JDK}: set TRELLANE_JDK to a JDK")
endif()
if(WIN32)
  # Windows has its own jni_md.h; the JDK's jni.h is the same on every platform.
  set(TRELLANE_JNI_INCLUDE_DIRS "${CMAKE_SOURCE_DIR}/src/platform/win32/jni" "${TRELLANE_JDK}/include")
else()
  set(TRELLANE_JNI_INCLUDE_DIRS "${TRELLANE_JDK}/include" "${TRELLANE_JDK}/include/linux")
endif()
