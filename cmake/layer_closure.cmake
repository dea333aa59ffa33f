# A static library only pulls in the objects a program uses, so a call upward
# could link by chance. Each layer is therefore also linked whole into an
# empty program with just the layers below it, where any such call fails the
# build. (Not in a fuzz build, whose instrumentation needs the fuzzer's
# runtime in every program.)
if(NOT VARNALUX_FUZZ)
  foreach(layer base link protocol net font operations)
    add_executable(varnalux_${layer}_closure ${CMAKE_CURRENT_LIST_DIR}/layer_closure.cpp)
    target_link_libraries(varnalux_${layer}_closure PRIVATE
      "$<LINK_LIBRARY:WHOLE_ARCHIVE,varnalux_${layer}>")
    set_target_properties(varnalux_${layer}_closure PROPERTIES
      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/layer_closure)
  endforeach()
endif()
