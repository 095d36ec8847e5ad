# Third-party dependencies, one place for both builds.
#
# FreeImage: natively Debian's libfreeimage-dev; for Windows the static libraries that
# scripts/build-freeimage-mingw.sh builds into a cache outside the clone
# (pass -DPINOXFADE_FREEIMAGE_ROOT=<prefix>, holding include/ and lib/).
# GoogleTest: natively the installed package; for Windows built from Debian's source
# in /usr/src/googletest with the cross compiler.

if(WIN32)
  set(PINOXFADE_FREEIMAGE_ROOT "" CACHE PATH "Prefix of the MinGW FreeImage build")
  add_library(pinoxfade_freeimage INTERFACE)
  if(EXISTS "${PINOXFADE_FREEIMAGE_ROOT}/include/FreeImage.h")
    target_include_directories(pinoxfade_freeimage SYSTEM INTERFACE ${PINOXFADE_FREEIMAGE_ROOT}/include)
    target_compile_definitions(pinoxfade_freeimage INTERFACE FREEIMAGE_LIB)
    target_link_libraries(pinoxfade_freeimage INTERFACE
      ${PINOXFADE_FREEIMAGE_ROOT}/lib/libFreeImage.a
      ${PINOXFADE_FREEIMAGE_ROOT}/lib/libtiff.a
      ${PINOXFADE_FREEIMAGE_ROOT}/lib/libpng.a
      ${PINOXFADE_FREEIMAGE_ROOT}/lib/libz.a)
  else()
    # Lets a tree that does not touch images be built before the libraries exist;
    # scripts/build.sh always builds them first.
    message(WARNING "FreeImage for MinGW not found at '${PINOXFADE_FREEIMAGE_ROOT}': "
                    "targets that read images will not link. Run scripts/build-freeimage-mingw.sh.")
  endif()
  add_library(pinoxfade::freeimage ALIAS pinoxfade_freeimage)

  # Everything links the C and C++ runtimes statically: the DLL imports system DLLs only.
  add_link_options(-static -static-libgcc -static-libstdc++)

  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest)  # googletest 1.12 defines these aliases itself
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
else()
  find_path(FREEIMAGE_INCLUDE_DIR FreeImage.h REQUIRED)
  find_library(FREEIMAGE_LIBRARY freeimage REQUIRED)
  add_library(pinoxfade_freeimage INTERFACE)
  target_include_directories(pinoxfade_freeimage SYSTEM INTERFACE ${FREEIMAGE_INCLUDE_DIR})
  target_link_libraries(pinoxfade_freeimage INTERFACE ${FREEIMAGE_LIBRARY})
  add_library(pinoxfade::freeimage ALIAS pinoxfade_freeimage)

  find_package(GTest REQUIRED)
  if(PINOXFADE_BENCHMARKS)
    find_package(benchmark REQUIRED)
  endif()
  if(PINOXFADE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
  endif()
endif()

include(GoogleTest)

# pinoxfade_add_test(NAME src... [LIBS ...] [PROPERTIES ...]): one GoogleTest executable,
# discovered by ctest; PROPERTIES go to every test it holds. Windows tests run through Wine
# and get a generous time-out.
function(pinoxfade_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_options(${name} PRIVATE ${PINOXFADE_WARNINGS})
  if(WIN32)
    target_compile_definitions(${name} PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 120 ${T_PROPERTIES}
                         DISCOVERY_MODE PRE_TEST)
  elseif(T_PROPERTIES)
    gtest_discover_tests(${name} PROPERTIES ${T_PROPERTIES} DISCOVERY_MODE PRE_TEST)
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST)
  endif()
endfunction()
