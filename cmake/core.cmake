# The core: links, protocol, network protocol, font file format, dispatcher
# and progress state. It does not depend on Qt. Every source is listed here;
# a new file of the core is added to its folder's list.

set(CORE_LINK_SOURCES
  link/link_session.cpp
  link/link_settings.cpp
  link/open_failure.cpp
  link/parallel_link.cpp
  link/port_names.cpp
  link/printer_link.cpp
  link/receive_ring.cpp
  link/serial_link.cpp
  link/tcp_address.cpp
  link/tcp_link.cpp
  link/usb_devices.cpp
  link/usb_link.cpp)

set(CORE_PROTOCOL_SOURCES
  base/atomic_file.cpp
  protocol/clock.cpp
  protocol/config_file.cpp
  base/numbers.cpp
  protocol/config_page_text.cpp
  protocol/config_reader.cpp
  protocol/config_text.cpp
  protocol/config_writer.cpp
  protocol/dump_read_back.cpp
  protocol/file_manager.cpp
  protocol/file_names.cpp
  base/followed_path.cpp
  base/input_file.cpp
  base/local_file.cpp
  protocol/network_settings.cpp
  protocol/network_setup.cpp
  protocol/network_text.cpp
  base/printable_text.cpp
  protocol/printer_config.cpp
  protocol/printer_functions.cpp
  protocol/report_exchange.cpp
  base/result_messages.cpp
  base/safety_copy.cpp
  protocol/send_raw.cpp
  protocol/stream_send.cpp
  protocol/test_page.cpp)

set(CORE_NET_SOURCES
  net/dotted_address.cpp
  net/printer_rows.cpp
  net/remote_actions.cpp
  net/udp_channel.cpp
  net/udp_options.cpp
  net/udp_protocol.cpp)
set(CORE_FONT_SOURCES
  font/asian_sets.cpp
  font/code_decoder.cpp
  font/font_canvas.cpp
  font/font_file.cpp
  font/font_request.cpp
  font/font_request_rules.cpp
  font/font_sheet.cpp
  font/glyph_gaps.cpp
  font/make_font.cpp
  font/table_text_codec.cpp
  font/temp_font_file.cpp)

set(CORE_APP_SOURCES
  operations/dispatcher.cpp
  operations/progress.cpp)

add_library(varnalux_core STATIC
  ${CORE_LINK_SOURCES}
  ${CORE_PROTOCOL_SOURCES}
  ${CORE_NET_SOURCES}
  ${CORE_FONT_SOURCES}
  ${CORE_APP_SOURCES})
target_include_directories(varnalux_core PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(varnalux_core PUBLIC PkgConfig::LIBUSB PkgConfig::FREETYPE PkgConfig::FONTCONFIG
  Threads::Threads)
# The vendor number is the USB devices' own: changing it rebuilds one file.
set_source_files_properties(link/usb_devices.cpp PROPERTIES
  COMPILE_DEFINITIONS "PRINTER_VENDOR_ID=\"${PRINTER_VENDOR_ID}\"")
