# Everything that turns the build into an installed application: the version
# header the programs print, the install rules (programs, desktop entry,
# AppStream metainfo, icons, manual pages, bash completion, udev rule,
# copyright and change log) and the Debian package made by CPack. Included
# once from the top CMakeLists.
include(GNUInstallDirs)

set(VARNALUX_DATA_DIR ${CMAKE_CURRENT_LIST_DIR})
set(VARNALUX_APP_ID "org.varnalux.varnalux")
# Where the project publishes its screenshot; AppStream wants a web address.
set(VARNALUX_MEDIA_URL "https://varnalux.org/media" CACHE STRING
    "Web folder that serves the screenshot named in the AppStream metainfo")
# udev reads rules from /usr/lib/udev/rules.d (and /etc, which belongs to the
# administrator); a relative folder lands under the install prefix.
set(VARNALUX_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
    "Folder for the USB printer udev rule (relative: under the install prefix)")

# The version, from project(): one header for the three programs.
configure_file(${VARNALUX_DATA_DIR}/version.h.in ${CMAKE_BINARY_DIR}/generated/varnalux_version.h @ONLY)
add_library(varnalux_version INTERFACE)
target_include_directories(varnalux_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
set(VARNALUX_PROGRAMS varnalux-cli varnalux-vprinter)
list(APPEND VARNALUX_PROGRAMS varnalux-exporter)
if(TARGET varnalux)
  list(APPEND VARNALUX_PROGRAMS varnalux)
endif()
foreach(program IN LISTS VARNALUX_PROGRAMS)
  target_link_libraries(${program} PRIVATE varnalux_version)
endforeach()

install(TARGETS ${VARNALUX_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages, with the project's version, compressed as Debian ships them
# (-n: no name or time stamp, so the package is the same from build to build).
set(VARNALUX_MAN_PAGES varnalux-cli.1 varnalux-vprinter.1)
list(APPEND VARNALUX_MAN_PAGES varnalux-exporter.1)
if(TARGET varnalux)
  list(APPEND VARNALUX_MAN_PAGES varnalux.1)
endif()
set(man_outputs)
foreach(page IN LISTS VARNALUX_MAN_PAGES)
  configure_file(${VARNALUX_DATA_DIR}/man/${page} ${CMAKE_BINARY_DIR}/man/${page} @ONLY)
  set(out ${CMAKE_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh ${CMAKE_BINARY_DIR}/man/${page} ${out}
    DEPENDS ${CMAKE_BINARY_DIR}/man/${page}
    VERBATIM)
  list(APPEND man_outputs ${out})
endforeach()
add_custom_target(varnalux_man_pages ALL DEPENDS ${man_outputs})
install(FILES ${man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The package's copyright and change log where Debian looks for them (the
# log compressed like the manual pages).
set(VARNALUX_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/varnalux)
set(changelog_gz ${CMAKE_BINARY_DIR}/debian/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh ${VARNALUX_DATA_DIR}/debian/changelog ${changelog_gz}
  DEPENDS ${VARNALUX_DATA_DIR}/debian/changelog
  VERBATIM)
add_custom_target(varnalux_changelog ALL DEPENDS ${changelog_gz})
install(FILES ${VARNALUX_DATA_DIR}/debian/copyright ${changelog_gz} DESTINATION ${VARNALUX_DOC_DIR})

install(FILES ${VARNALUX_DATA_DIR}/completion/varnalux-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${CMAKE_BINARY_DIR}/udev/60-varnalux-printer.rules
        DESTINATION ${VARNALUX_UDEV_RULES_DIR})

# The exporter's systemd unit (not enabled by the package) and the example
# Prometheus scrape configuration.
set(VARNALUX_SYSTEMD_UNIT_DIR "lib/systemd/system" CACHE STRING
    "Folder for the exporter's systemd unit (relative: under the install prefix)")
install(FILES ${VARNALUX_DATA_DIR}/exporter/varnalux-exporter.service
        DESTINATION ${VARNALUX_SYSTEMD_UNIT_DIR})
install(FILES ${VARNALUX_DATA_DIR}/exporter/prometheus.yml
              ${VARNALUX_DATA_DIR}/exporter/printers.json
        DESTINATION ${VARNALUX_DOC_DIR}/examples)

if(TARGET varnalux)
  install(FILES ${VARNALUX_DATA_DIR}/${VARNALUX_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # The screenshot's size, from its PNG header (width and height at 16 and 20).
  file(READ ${VARNALUX_DATA_DIR}/screenshots/main-window.png png_header OFFSET 16 LIMIT 8 HEX)
  string(SUBSTRING "${png_header}" 0 8 png_width)
  string(SUBSTRING "${png_header}" 8 8 png_height)
  math(EXPR VARNALUX_SCREENSHOT_WIDTH "0x${png_width}")
  math(EXPR VARNALUX_SCREENSHOT_HEIGHT "0x${png_height}")
  configure_file(${VARNALUX_DATA_DIR}/${VARNALUX_APP_ID}.metainfo.xml.in
                 ${CMAKE_BINARY_DIR}/data/${VARNALUX_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/data/${VARNALUX_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${VARNALUX_DATA_DIR}/icons/${VARNALUX_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${VARNALUX_DATA_DIR}/icons/${size}/${VARNALUX_APP_ID}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()

# The metainfo's screenshot, made by the program itself (scripts/screenshot.sh).
if(TARGET varnalux)
  add_executable(varnalux-screenshot EXCLUDE_FROM_ALL
    ${VARNALUX_DATA_DIR}/screenshot/main_window_shot.cpp)
  target_link_libraries(varnalux-screenshot PRIVATE varnalux_gui varnalux_sim)
endif()

include(${VARNALUX_DATA_DIR}/package.cmake)
