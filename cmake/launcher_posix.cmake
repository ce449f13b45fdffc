# The Linux launcher: libjvm.so through RUNPATH, a JDK image's own first ($ORIGIN/../lib/server,
# the launcher in its bin/), then the JDK it was built against.
find_library(TRELLANE_LIBJVM jvm PATHS "${TRELLANE_JDK}/lib/server" NO_DEFAULT_PATH REQUIRED)
find_package(Threads REQUIRED)
target_link_libraries(launcher PRIVATE ${TRELLANE_LIBJVM} Threads::Threads)
set_target_properties(launcher PROPERTIES
  BUILD_RPATH "\$ORIGIN/../lib/server;${TRELLANE_JDK}/lib/server"
  SKIP_BUILD_RPATH OFF BUILD_WITH_INSTALL_RPATH OFF)
target_link_options(launcher PRIVATE
  -Wl,--enable-new-dtags
  # The native update check is exported, as the Windows launcher exports it by name.
  -Wl,--export-dynamic-symbol=Java_morvantic_trellane_updater_OnlineUpdater_nCheckForUpdates
  $<$<CONFIG:Release>:-s>)
