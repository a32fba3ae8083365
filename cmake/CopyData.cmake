# Copies the shipped data files (everything in SRC but its build script) into DST.
file(MAKE_DIRECTORY ${DST})
file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*)
foreach(f ${files})
  if(NOT f STREQUAL "CMakeLists.txt")
    get_filename_component(dir ${DST}/${f} DIRECTORY)
    file(COPY ${SRC}/${f} DESTINATION ${dir})
  endif()
endforeach()
