# Writes OUTPUT: the source INPUT (src/specfun/gamma.cpp) with the text FROM
# replaced by TO, a fault of our own arithmetic as a slip would make it. The
# characterisation tests preload the Gamma built from it: the change must be
# reported as the library's arithmetic moving, under any C library.
file(READ ${INPUT} text)
string(REPLACE "${FROM}" "${TO}" altered "${text}")
if(altered STREQUAL text)
  message(FATAL_ERROR "'${FROM}', the text to alter, is no longer in ${INPUT}")
endif()
file(WRITE ${OUTPUT} "${altered}")
