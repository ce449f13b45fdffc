# The Linux launcher: libjvm.so through the RUNPATH $ORIGIN/../lib/server alone, the Java
# runtime image the launcher sits in (the launcher in its bin/). The JDK it is built against
# is only linked against: a launcher outside its image fails in the loader with "libjvm.so:
# cannot open shared object file", as Windows' loader refuses one without jvm.dll, instead of
# starting the build machine's JDK. The install RPATH is used in the build tree too, because
# the build RPATH would also name the folder of the linked libjvm.so.
find_library(TRELLANE_LIBJVM jvm PATHS "${TRELLANE_JDK}/lib/server" NO_DEFAULT_PATH REQUIRED)
find_package(Threads REQUIRED)
target_link_libraries(launcher PRIVATE ${TRELLANE_LIBJVM} Threads::Threads)
set_target_properties(launcher PROPERTIES
  INSTALL_RPATH "\$ORIGIN/../lib/server" BUILD_WITH_INSTALL_RPATH ON
  INSTALL_RPATH_USE_LINK_PATH OFF)
target_link_options(launcher PRIVATE
  -Wl,--enable-new-dtags
  # The native update check is exported, as the Windows launcher exports it by name.
  -Wl,--export-dynamic-symbol=Java_morvantic_trellane_updater_OnlineUpdater_nCheckForUpdates
  $<$<CONFIG:Release>:-s>)
