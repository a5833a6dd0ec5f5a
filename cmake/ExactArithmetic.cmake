# The options that keep every result bit what the source prescribes, whatever
# a packager or user puts into CFLAGS, CXXFLAGS, FFLAGS, LDFLAGS or
# CMAKE_*_FLAGS.
#
# Target options come after those variables on every compile and link command
# that CMake writes, and for each of these options the last one given wins, so
# the library's choice holds against any earlier request. They restate the
# defaults of GCC and Clang one by one, because a single -fno-fast-math does
# not undo everything that -ffast-math or -Ofast set (GCC keeps the limited
# range of complex arithmetic, for instance) and a packager may name a sub-flag
# on its own.
#
#   VARNEL_FP_FLAGS       compile options of the library and of every program
#                         that computes arguments or expected bits (tests,
#                         benchmarks, fuzzers, the evaluator)
#   VARNEL_FP_LINK_FLAGS  link options of the library and of the test
#                         programs (whose start-up code would otherwise set
#                         flush-to-zero before the library is called), given
#                         as link items so that they follow LDFLAGS
#
# Both are lists of generator expressions, one per option, that give each
# compile the options of its own language's compiler and each link those of
# the driver that links: the C, C++ and Fortran compilers need not be the same
# (Clang for C and C++ with gfortran is a common pairing; GCC for C with Clang
# for C++ works as well), and none of them may see an option of another. So
# no list operation may be applied to them; they are passed on whole.
#
# Flags that no later option can take back are refused at configure time.

foreach(_lang C CXX)
  if(CMAKE_${_lang}_COMPILER_LOADED AND NOT CMAKE_${_lang}_COMPILER_ID MATCHES "GNU|Clang")
    message(FATAL_ERROR "libvarnel is built with GCC or Clang only; the ${_lang} compiler "
            "${CMAKE_${_lang}_COMPILER_ID} has not been checked for its floating-point options")
  endif()
endforeach()

# The options for one compiler (GNU or Clang) of a given version.
function(_varnel_fp_options out compiler_id compiler_version)
  # Common to both compilers: no contraction of a product and a sum into a
  # fused multiply-add, no reassociation, no reciprocal in place of a
  # division, NaNs, infinities and signed zeros honoured, errno left as the C
  # library sets it (otherwise the compiler may drop the errno restore after a
  # call as a redundant store). -fno-fast-math comes first: Clang resets the
  # contraction mode when it meets it, so -ffp-contract=off must follow.
  set(flags
      -fno-fast-math -fno-unsafe-math-optimizations -ffp-contract=off
      -fno-associative-math -fno-reciprocal-math -fno-finite-math-only
      -fsigned-zeros -fmath-errno)
  if(compiler_id STREQUAL "GNU")
    # Complex products and quotients keep the C99 rules (the run-time support
    # routines' recovery of infinities); -fno-fast-math leaves the limited
    # range that -ffast-math set in place. Traps as the default has them.
    # Decimal constants stay double.
    list(APPEND flags -fno-cx-limited-range -fno-cx-fortran-rules -ftrapping-math
         -fno-single-precision-constant)
    # GCC's vectoriser forms fused multiply-adds by itself, ignoring
    # -ffp-contract=off: with FMA available (-mfma, -march=x86-64-v3 or later,
    # -march=native) its pattern for a complex product turns the two products
    # and the alternating subtract and add into one vfmaddsub, which rounds
    # once instead of three times. Both vectorisers are switched off by name,
    # since -fno-tree-vectorize alone leaves either one on when it was asked
    # for explicitly.
    list(APPEND flags -fno-tree-vectorize -fno-tree-loop-vectorize -fno-tree-slp-vectorize)
    if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|amd64|AMD64)$")
      # SSE arithmetic, never the x87 unit with its wider intermediate
      # results, and comparisons that respect unordered operands.
      list(APPEND flags -mfpmath=sse -mieee-fp)
    elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64)$")
      # The estimate-and-refine square roots and divisions.
      list(APPEND flags -mno-low-precision-recip-sqrt -mno-low-precision-sqrt
           -mno-low-precision-div)
    endif()
  else()
    # Clang: the same rules under its own names; no approximate library
    # calls, no vector library in place of the C library's functions,
    # subnormals not assumed flushed. Its vectorisers keep the rounding of
    # each operation (LLVM fuses only operations marked contractible), so they
    # stay on.
    list(APPEND flags -fhonor-nans -fhonor-infinities -fno-approx-func -fveclib=none
         -fdenormal-fp-math=ieee)
    # Floating-point exceptions kept as the source has them, so that the quiet
    # comparisons (std::isless and its kin) stay quiet for a NaN: by default
    # Clang ignores exceptions and may lower them to branch-free signalling
    # compares (cmpltsd) or maxsd, which raise invalid. -fno-unsafe-math-
    # optimizations above implies it; it is said here by name, and wins over
    # a caller's -ffp-exception-behavior=ignore.
    list(APPEND flags -ffp-exception-behavior=strict)
    if(compiler_version VERSION_GREATER_EQUAL 15)
      # Expressions evaluated in their own type (Clang 14 has no such option,
      # and so no other evaluation method to ask for).
      list(APPEND flags -ffp-eval-method=source)
    endif()
    if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|amd64|AMD64)$")
      list(APPEND flags -mfpmath=sse)
    endif()
  endif()
  set(${out} ${flags} PARENT_SCOPE)
endfunction()

# The library is linked by the C driver, which reads CMAKE_C_FLAGS and
# LDFLAGS. With -Ofast, -ffast-math or -funsafe-math-optimizations there, GCC
# 12 and Clang add crtfastmath.o to the link, also of a shared object: start-up
# code that sets flush-to-zero and denormals-are-zero for the whole process on
# loading. The driver leaves it out when a later option cancels the request:
# -fno-fast-math and -fno-unsafe-math-optimizations for those two, any later
# -O level for -Ofast (-O3, the level -Ofast stands for, so that a link-time
# optimisation keeps it). Under link-time optimisation the link step is also
# where the code is generated, so it gets the compile options too: those of
# the compiler whose driver links (C for the libraries, C++ for the programs),
# less the one that only a C-family front end reads.
string(TOUPPER "${CMAKE_BUILD_TYPE}" _build_type)
set(_flag_sources CMAKE_C_FLAGS CMAKE_CXX_FLAGS CMAKE_SHARED_LINKER_FLAGS)
if(_build_type)
  list(APPEND _flag_sources CMAKE_C_FLAGS_${_build_type} CMAKE_CXX_FLAGS_${_build_type}
       CMAKE_SHARED_LINKER_FLAGS_${_build_type})
endif()
set(_link_level "")
foreach(_source IN LISTS _flag_sources)
  separate_arguments(_flags UNIX_COMMAND "${${_source}}")
  foreach(_flag IN LISTS _flags)
    if(_flag STREQUAL "-Ofast" AND NOT _source MATCHES "^CMAKE_CXX")
      set(_link_level -O3)
    endif()
    # Start-up objects no later option removes: x87 precision control for the
    # whole process, and (GCC 13 and later, Clang 17 and later) flush-to-zero
    # by request.
    if(_flag MATCHES "^-mpc(32|64)$" OR _flag STREQUAL "-mdaz-ftz")
      message(FATAL_ERROR "libvarnel cannot be built with ${_flag} (in ${_source}): it links "
              "start-up code into the library that changes the floating-point mode of every "
              "program that loads it, and no later option takes it out. Remove the flag.")
    endif()
  endforeach()
endforeach()

set(VARNEL_FP_FLAGS "")
set(VARNEL_FP_LINK_FLAGS "")
foreach(_lang C CXX)
  if(NOT CMAKE_${_lang}_COMPILER_LOADED)
    continue()
  endif()
  _varnel_fp_options(_options ${CMAKE_${_lang}_COMPILER_ID} ${CMAKE_${_lang}_COMPILER_VERSION})
  foreach(_option IN LISTS _options)
    list(APPEND VARNEL_FP_FLAGS "$<$<COMPILE_LANGUAGE:${_lang}>:${_option}>")
  endforeach()
  list(REMOVE_ITEM _options -fno-single-precision-constant)
  foreach(_option IN LISTS _options _link_level)
    list(APPEND VARNEL_FP_LINK_FLAGS "$<$<LINK_LANGUAGE:${_lang}>:${_option}>")
  endforeach()
endforeach()
# Fortran is enabled later, and only for the Fortran module's tests and
# example, so its compiler is chosen by its identity when the options are
# evaluated: gfortran takes GCC's options (all of them language-independent,
# so a Fortran program gets the same arithmetic whether the C++ compiler is
# GCC or Clang), LLVM's flang the contraction rule, the one its default
# breaks.
_varnel_fp_options(_options GNU 0)
foreach(_option IN LISTS _options)
  list(APPEND VARNEL_FP_FLAGS "$<$<COMPILE_LANG_AND_ID:Fortran,GNU>:${_option}>")
endforeach()
list(APPEND VARNEL_FP_FLAGS "$<$<COMPILE_LANG_AND_ID:Fortran,LLVMFlang>:-ffp-contract=off>")
