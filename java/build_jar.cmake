# Compiles the runtime classes and packs them into a jar whose bytes depend on the sources
# alone: entries in sorted order, one fixed timestamp, and a manifest of our own (the jar tool
# would otherwise record the JDK that built it).
# Called with -DJAVAC= -DJAR= -DSOURCE_DIR= -DSOURCE9_DIR= -DCLASSES_DIR= -DMANIFEST= -DOUTPUT=
# SOURCE_DIR is compiled for Java 8; SOURCE9_DIR holds the classes that use modules, compiled
# for Java 9 against the first, and loaded only on runtimes that have modules.
file(REMOVE_RECURSE "${CLASSES_DIR}")
# The Java 9 classes first, reading the Java 8 sources without compiling them (-implicit:none),
# then the Java 8 classes against them. -Werror: the build stays free of warnings; "options"
# only warns that release 8 is old.
file(GLOB_RECURSE sources9 "${SOURCE9_DIR}/*.java")
file(GLOB_RECURSE sources8 "${SOURCE_DIR}/*.java")
foreach(pass 9 8)
  if(pass EQUAL 9)
    set(pass_options -sourcepath "${SOURCE_DIR}" -implicit:none ${sources9})
  else()
    set(pass_options -cp "${CLASSES_DIR}" ${sources8})
  endif()
  execute_process(
    COMMAND "${JAVAC}" --release ${pass} -Xlint:all,-options -Werror -encoding UTF-8
            -d "${CLASSES_DIR}" ${pass_options}
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "javac failed")
  endif()
endforeach()
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
