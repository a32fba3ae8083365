# Writes the main dictionary DST from the system word list SRC: the words made of ASCII letters
# and apostrophes only (no checked word can hold any other character), one a line, in the
# case-insensitive order the program's word lists keep, so that loading needs no sort.
if(NOT EXISTS "${SRC}")
  message(FATAL_ERROR "The word list ${SRC} is missing; install the 'wamerican' package "
                      "(scripts/setup.sh lists it) to build the main dictionary english.txt.")
endif()
file(STRINGS "${SRC}" words ENCODING UTF-8 REGEX "^[A-Za-z']+$")
list(SORT words CASE INSENSITIVE)
list(JOIN words "\n" text)
file(WRITE "${DST}.tmp" "${text}\n")
file(RENAME "${DST}.tmp" "${DST}")
