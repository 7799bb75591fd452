# Onboot.exe, the Windows companion (companion/), built by its own CMake project with a MinGW-w64
# toolchain: the 32-bit program that is installed beside the executable, and with the tests a
# 64-bit build of the same source for running under 64-bit Wine.
include(ExternalProject)

function(bootgallery_companion name toolchain compiler package output_dir)
  find_program(BG_${name}_COMPILER ${compiler})
  if(NOT BG_${name}_COMPILER)
    message(FATAL_ERROR "${compiler} not found: building Onboot.exe needs the Debian package "
                        "${package} (scripts/install-deps installs it).")
  endif()
  ExternalProject_Add(${name}
    SOURCE_DIR ${CMAKE_SOURCE_DIR}/companion
    BINARY_DIR ${CMAKE_BINARY_DIR}/${name}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/companion/${toolchain}
               -DCMAKE_BUILD_TYPE=MinSizeRel -DONBOOT_OUTPUT_DIR=${output_dir}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${output_dir}/Onboot.exe)
endfunction()

bootgallery_companion(onboot_i686 toolchain-i686.cmake i686-w64-mingw32-g++ g++-mingw-w64-i686
                      ${CMAKE_BINARY_DIR})
install(PROGRAMS ${CMAKE_BINARY_DIR}/Onboot.exe DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/bootgallery)

if(BOOTGALLERY_BUILD_TESTS)
  set(BG_COMPANION_X86_64 ${CMAKE_BINARY_DIR}/onboot_x86_64/bin/Onboot.exe)
  bootgallery_companion(onboot_x86_64 toolchain-x86_64.cmake x86_64-w64-mingw32-g++
                        g++-mingw-w64-x86-64 ${CMAKE_BINARY_DIR}/onboot_x86_64/bin)
endif()
