# Warnings and sanitizer switches shared by every Vorna target.
add_library(vorna_compile_options INTERFACE)
add_library(vorna::compile_options ALIAS vorna_compile_options)
target_compile_options(vorna_compile_options INTERFACE
  $<$<CXX_COMPILER_ID:GNU,Clang>:-Wall -Wextra -Wpedantic -Wno-unused-parameter>)

set(VORNA_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address,undefined or thread")
if(VORNA_SANITIZE)
  add_compile_options(-fsanitize=${VORNA_SANITIZE} -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${VORNA_SANITIZE})
  if(VORNA_SANITIZE MATCHES "undefined")
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()

# Helper for subsystem libraries: vorna_add_library(<name> <alias> <sources...>)
function(vorna_add_library name alias)
  qt_add_library(${name} STATIC ${ARGN})
  add_library(vorna::${alias} ALIAS ${name})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE vorna::compile_options)
endfunction()
