# The core, one static library per layer; each links only the layers below
# it, so code that calls upward fails to link:
#
#   varnalux_base   utilities that are not protocol: codes, deadlines, result
#        ^          texts, numbers, printable text, file reading and writing
#        |-- varnalux_link        the links to a printer
#        |     ^-- varnalux_protocol      the printer's command language
#        |           ^-- varnalux_operations   dispatcher and progress state
#        |-- varnalux_net         the network protocol
#        '-- varnalux_font        the font file format and the generator
#
# varnalux_core gathers them for the programs and the tests. None depends on
# Qt. Every source is listed here; a new file is added to its layer's list.

# varnalux_layer(NAME SOURCES...): the library varnalux_NAME.
function(varnalux_layer name)
  add_library(varnalux_${name} STATIC ${ARGN})
  target_include_directories(varnalux_${name} PUBLIC ${CMAKE_SOURCE_DIR})
endfunction()

varnalux_layer(base
  base/atomic_file.cpp
  base/followed_path.cpp
  base/input_file.cpp
  base/numbers.cpp
  base/printable_text.cpp
  base/result_messages.cpp
  base/safety_copy.cpp)

varnalux_layer(link
  link/link_session.cpp
  link/link_settings.cpp
  link/open_failure.cpp
  link/parallel_link.cpp
  link/port_names.cpp
  link/printer_link.cpp
  link/receive_ring.cpp
  link/serial_link.cpp
  link/serial_words.cpp
  link/tcp_address.cpp
  link/tcp_link.cpp
  link/usb_devices.cpp
  link/usb_link.cpp)
target_link_libraries(varnalux_link PUBLIC varnalux_base PkgConfig::LIBUSB Threads::Threads)
# The vendor number is the USB devices' own: changing it rebuilds one file.
set_source_files_properties(link/usb_devices.cpp PROPERTIES
  COMPILE_DEFINITIONS "PRINTER_VENDOR_ID=\"${PRINTER_VENDOR_ID}\"")

varnalux_layer(protocol
  protocol/clock.cpp
  protocol/config_file.cpp
  protocol/config_page_text.cpp
  protocol/config_reader.cpp
  protocol/config_text.cpp
  protocol/config_writer.cpp
  protocol/dump_read_back.cpp
  protocol/file_manager.cpp
  protocol/file_names.cpp
  protocol/network_settings.cpp
  protocol/network_setup.cpp
  protocol/network_text.cpp
  protocol/printer_config.cpp
  protocol/printer_functions.cpp
  protocol/report_exchange.cpp
  protocol/send_raw.cpp
  protocol/stream_send.cpp
  protocol/test_page.cpp)
target_link_libraries(varnalux_protocol PUBLIC varnalux_link varnalux_base)

varnalux_layer(net
  net/dotted_address.cpp
  net/printer_rows.cpp
  net/remote_actions.cpp
  net/udp_channel.cpp
  net/udp_options.cpp
  net/udp_protocol.cpp)
target_link_libraries(varnalux_net PUBLIC varnalux_base)

varnalux_layer(font
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
target_link_libraries(varnalux_font PUBLIC varnalux_base PkgConfig::FREETYPE PkgConfig::FONTCONFIG)

varnalux_layer(operations
  operations/dispatcher.cpp
  operations/progress.cpp)
target_link_libraries(varnalux_operations PUBLIC varnalux_protocol)

add_library(varnalux_core INTERFACE)
target_link_libraries(varnalux_core INTERFACE varnalux_operations varnalux_protocol varnalux_net
  varnalux_font varnalux_link varnalux_base)
