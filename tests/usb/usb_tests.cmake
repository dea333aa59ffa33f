# USB link tests against printers emulated with umockdev. The program runs
# under umockdev-wrapper, which preloads the library that redirects /sys and
# /dev into the test's own device tree.
pkg_check_modules(UMOCKDEV REQUIRED IMPORTED_TARGET umockdev-1.0)
find_program(UMOCKDEV_WRAPPER umockdev-wrapper REQUIRED)

add_executable(usb_tests ${USB_TEST_SOURCES}
  ${CMAKE_CURRENT_SOURCE_DIR}/support/link_binding_check.cpp)
target_link_libraries(usb_tests PRIVATE varnalux_core varnalux_sim PkgConfig::UMOCKDEV
  GTest::gtest GTest::gtest_main)
target_compile_definitions(usb_tests PRIVATE
  VARNALUX_CLI_PATH="$<TARGET_FILE:varnalux-cli>"
  VARNALUX_UDEV_RULE="${CMAKE_BINARY_DIR}/udev/60-varnalux-printer.rules"
  VARNALUX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
add_dependencies(usb_tests varnalux-cli)
# The preloaded library comes before the sanitizer runtime in the library
# list, which the sanitizer must be told to accept; the listing of the tests
# runs through the same command, so the setting goes into the command.
find_program(ENV_PROGRAM env REQUIRED)
set_target_properties(usb_tests PROPERTIES CROSSCOMPILING_EMULATOR
  "${ENV_PROGRAM};ASAN_OPTIONS=verify_asan_link_order=0;${UMOCKDEV_WRAPPER}")
gtest_discover_tests(usb_tests DISCOVERY_MODE PRE_TEST
  PROPERTIES TIMEOUT 120 ENVIRONMENT "ASAN_OPTIONS=verify_asan_link_order=0")
