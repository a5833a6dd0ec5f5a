# Writes OUTPUT: the source INPUT (src/specfun/gamma.cpp) with one
# coefficient of its rational approximation altered in the eleventh
# significant digit (about 1.5e-10 relative), as a slip in a table would be.
# The characterisation tests preload the Gamma built from it: the change
# must be reported as the library's arithmetic moving, under any C library.
file(READ ${INPUT} text)
string(REPLACE "66456.143820240541" "66456.143830240541" altered "${text}")
if(altered STREQUAL text)
  message(FATAL_ERROR "the coefficient to alter is no longer in ${INPUT}")
endif()
file(WRITE ${OUTPUT} "${altered}")
