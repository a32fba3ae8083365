# Warnings are errors for our own code; Qt and other system headers are included as system
# headers, so their warnings never stop the build.
function(glyphon_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
  # The fuzzing build's compiler warns by rules of its own, which the normal build keeps to.
  if(GLYPHON_FUZZ)
    target_compile_options(${target} PRIVATE -Wno-error)
  endif()
endfunction()

# One static library per source folder, made of every source file in it. A folder with no
# sources yet becomes an interface library so that the layering can already be declared.
function(glyphon_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  set(has_cpp FALSE)
  foreach(f ${sources})
    if(f MATCHES "\\.cpp$")
      set(has_cpp TRUE)
    endif()
  endforeach()
  if(has_cpp)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
    glyphon_warnings(${name})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPENDS})
  endif()
endfunction()
