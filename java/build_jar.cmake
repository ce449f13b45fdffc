# Compiles the runtime classes and packs them into a jar whose bytes depend on the sources
# alone: entries in sorted order, one fixed timestamp, and a manifest of our own (the jar tool
# would otherwise record the JDK that built it).
# Called with -DJAVAC= -DJAR= -DSOURCE_DIR= -DCLASSES_DIR= -DMANIFEST= -DOUTPUT=
file(REMOVE_RECURSE "${CLASSES_DIR}")
file(GLOB_RECURSE sources "${SOURCE_DIR}/*.java")
# -Werror: the build stays free of warnings; "options" only warns that release 8 is old.
execute_process(
  COMMAND "${JAVAC}" --release 8 -Xlint:all,-options -Werror -encoding UTF-8
          -d "${CLASSES_DIR}" ${sources}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "javac failed")
endif()
file(GLOB_RECURSE classes RELATIVE "${CLASSES_DIR}" "${CLASSES_DIR}/*.class")
list(SORT classes)
set(entries "")
foreach(class IN LISTS classes)
  list(APPEND entries -C "${CLASSES_DIR}" "${class}")  # -C holds for one file only
endforeach()
file(REMOVE "${OUTPUT}")
execute_process(
  COMMAND "${JAR}" --create --file "${OUTPUT}" --manifest "${MANIFEST}"
          --date 2000-01-01T00:00:00Z ${entries}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "jar failed")
endif()
