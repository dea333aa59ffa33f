# The Debian package: cpack -G DEB in a build configured with
# -DCMAKE_INSTALL_PREFIX=/usr (scripts/package.sh does both).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnalux)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Varnalux")
set(CPACK_PACKAGE_CONTACT "Varnalux developers <maintainers@varnalux.org>" CACHE STRING
    "Maintainer of the Debian package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure and test thermal label printers")
set(CPACK_PACKAGE_DESCRIPTION
"Varnalux reads a label printer's status and configuration, edits and sends
its settings, saves and compares configurations, runs maintenance functions
and sends raw command text, over USB, RS-232, a parallel port or TCP.
.
The package holds the desktop program, the command-line tool varnalux-cli
for scripts, and varnalux-vprinter, a virtual printer to try everything
without hardware. A udev rule lets the user at the seat open USB printers.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The run-time libraries by their package names, as dpkg-shlibdeps finds
# them; the desktop program also needs Qt's platform plugins, which no
# library links to.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET varnalux)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
# Under a Wayland session Qt looks for its "wayland" platform plugin first.
if(TARGET varnalux)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
endif()
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "udev")
configure_file(${VARNALUX_DATA_DIR}/debian/postinst.in ${CMAKE_BINARY_DIR}/debian/postinst @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
configure_file(${VARNALUX_DATA_DIR}/debian/postrm.in ${CMAKE_BINARY_DIR}/debian/postrm @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_BINARY_DIR}/debian/postinst ${CMAKE_BINARY_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
include(CPack)
