# bootgallery_layer(<layer> [DEPENDS <layer>...] [LIBRARIES <target>...]
#                   [SOURCES <file>...] [EXCLUDE <file>...])
#
# Makes the static library bootgallery_<layer> from the sources in src/<layer>/ (plus SOURCES,
# minus EXCLUDE, both relative to the project's source directory). Its public include directory
# holds one entry, a link <layer> -> src/<layer>, so "<layer>/X.h" is reachable from a file only
# when that file's target links the layer, directly or through the layers it DEPENDS on. A header
# of a layer that is not linked is not found, and the build says so.
#
#   bootgallery_layer(platform LIBRARIES Qt6::Core Qt6::Gui Qt6::Widgets)
#   bootgallery_layer(core DEPENDS platform)
#   bootgallery_layer(ops DEPENDS core library)
function(bootgallery_layer layer)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "DEPENDS;LIBRARIES;SOURCES;EXCLUDE")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "bootgallery_layer(${layer}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()

  set(folder ${PROJECT_SOURCE_DIR}/src/${layer})
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp ${folder}/*.h)
  foreach(file IN LISTS arg_EXCLUDE)
    list(REMOVE_ITEM sources ${PROJECT_SOURCE_DIR}/${file})
  endforeach()
  foreach(file IN LISTS arg_SOURCES)
    list(APPEND sources ${PROJECT_SOURCE_DIR}/${file})
  endforeach()

  set(target bootgallery_${layer})
  add_library(${target} STATIC ${sources})

  set(include_root ${PROJECT_BINARY_DIR}/layers/${layer})
  file(MAKE_DIRECTORY ${include_root})
  file(CREATE_LINK ${folder} ${include_root}/${layer} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${include_root})

  foreach(dependency IN LISTS arg_DEPENDS)
    target_link_libraries(${target} PUBLIC bootgallery_${dependency})
  endforeach()
  target_link_libraries(${target} PUBLIC ${arg_LIBRARIES})
endfunction()
