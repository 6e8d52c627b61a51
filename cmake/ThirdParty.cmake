# Third-party libraries as imported targets, the same names in every build:
#   thirdparty::snappy, thirdparty::hpdf, thirdparty::stb, thirdparty::harfbuzz, thirdparty::fribidi,
#   thirdparty::hyphen,
#   thirdparty::fontconfig (not on Windows)
# Natively they are Debian's -dev packages. The Windows build compiles Debian's source
# packages with the mingw toolchain (see scripts/setup.sh).
if(WIN32)
  # Where scripts/setup.sh puts the source packages; the same rule as there.
  if(DEFINED ENV{PAGES2PDF_THIRDPARTY_DIR} AND NOT "$ENV{PAGES2PDF_THIRDPARTY_DIR}" STREQUAL "")
    set(_thirdparty_default "$ENV{PAGES2PDF_THIRDPARTY_DIR}")
  elseif(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
    set(_thirdparty_default "$ENV{XDG_CACHE_HOME}/pages2pdf/thirdparty")
  else()
    set(_thirdparty_default "$ENV{HOME}/.cache/pages2pdf/thirdparty")
  endif()
  set(PAGES2PDF_THIRDPARTY_DIR "${_thirdparty_default}" CACHE PATH
    "Folder holding the Debian source packages of snappy, libharu, harfbuzz and fribidi (made by scripts/setup.sh)")

  set(_snappy_dir "${PAGES2PDF_THIRDPARTY_DIR}/snappy")
  set(_hpdf_dir "${PAGES2PDF_THIRDPARTY_DIR}/libharu")
  set(_harfbuzz_dir "${PAGES2PDF_THIRDPARTY_DIR}/harfbuzz")
  set(_fribidi_dir "${PAGES2PDF_THIRDPARTY_DIR}/fribidi")
  set(_hyphen_dir "${PAGES2PDF_THIRDPARTY_DIR}/hyphen")
  foreach(_probe "${_snappy_dir}/snappy.h" "${_hpdf_dir}/include/hpdf.h" "${_harfbuzz_dir}/src/harfbuzz.cc"
                 "${_fribidi_dir}/lib/fribidi-bidi.c" "${_hyphen_dir}/hyphen.h")
    if(NOT EXISTS "${_probe}")
      message(FATAL_ERROR "Missing ${_probe}: the Windows build compiles Debian's sources of these libraries; "
        "run scripts/setup.sh to fetch them, or point PAGES2PDF_THIRDPARTY_DIR at them.")
    endif()
  endforeach()

  # Their code is not ours: built without our warning flags, and their headers are SYSTEM to us.
  get_directory_property(_our_options COMPILE_OPTIONS)
  set(_their_options ${_our_options})
  list(REMOVE_ITEM _their_options -Wall -Wextra -Wshadow)
  set_directory_properties(PROPERTIES COMPILE_OPTIONS "${_their_options}")

  # Snappy's own CMake build, static library only. Debian builds it with RTTI, so classes deriving from
  # snappy::Source or snappy::Sink link the same way in both builds.
  set(CMAKE_POLICY_DEFAULT_CMP0077 NEW)
  set(BUILD_SHARED_LIBS OFF)
  set(SNAPPY_BUILD_TESTS OFF CACHE BOOL "" FORCE)
  set(SNAPPY_BUILD_BENCHMARKS OFF CACHE BOOL "" FORCE)
  set(SNAPPY_INSTALL OFF CACHE BOOL "" FORCE)
  set(SNAPPY_ENABLE_RTTI ON CACHE BOOL "" FORCE)
  # Its CMakeLists has a mismatched endif() argument that CMake reports to the project's developers: not us.
  set(_dev_quiet "$CACHE{CMAKE_SUPPRESS_DEVELOPER_WARNINGS}")
  set(CMAKE_SUPPRESS_DEVELOPER_WARNINGS ON CACHE INTERNAL "")
  add_subdirectory("${_snappy_dir}" "${CMAKE_BINARY_DIR}/thirdparty/snappy" EXCLUDE_FROM_ALL SYSTEM)
  set(CMAKE_SUPPRESS_DEVELOPER_WARNINGS "${_dev_quiet}" CACHE INTERNAL "")
  # Debian's patch adds a second static target with the same file name; keep it out of the way.
  if(TARGET snappy-static)
    set_target_properties(snappy-static PROPERTIES OUTPUT_NAME snappy-static)
  endif()
  target_compile_options(snappy PRIVATE -w)  # it adds -Wall -Wextra to its own flags
  add_library(thirdparty::snappy ALIAS snappy)
  unset(BUILD_SHARED_LIBS)
  unset(CMAKE_POLICY_DEFAULT_CMP0077)

  # libharu's CMake build cannot be a sub-project (it works from CMAKE_SOURCE_DIR), so its library is built
  # here: every source in src/, zlib for compressed streams, no libpng (pictures are decoded with stb).
  file(GLOB _hpdf_sources CONFIGURE_DEPENDS "${_hpdf_dir}/src/*.c")
  set(LIBHPDF_HAVE_LIBZ 1)
  set(LIBHPDF_HAVE_NOPNGLIB 1)
  set(HPDF_NOPNGLIB 1)
  set(LIBHPDF_STDC_HEADERS 1)
  configure_file("${_hpdf_dir}/include/hpdf_config.h.cmake"
    "${CMAKE_BINARY_DIR}/thirdparty/libharu/include/hpdf_config.h")
  add_library(thirdparty_hpdf STATIC ${_hpdf_sources})
  target_include_directories(thirdparty_hpdf SYSTEM PUBLIC
    "${_hpdf_dir}/include" "${CMAKE_BINARY_DIR}/thirdparty/libharu/include")
  target_compile_options(thirdparty_hpdf PRIVATE -w)  # old C: casts that newer compilers warn about by default
  target_link_libraries(thirdparty_hpdf PRIVATE ZLIB::ZLIB)
  set_target_properties(thirdparty_hpdf PROPERTIES C_STANDARD 99 EXCLUDE_FROM_ALL ON)
  add_library(thirdparty::hpdf ALIAS thirdparty_hpdf)

  # HarfBuzz from its amalgamated source: the OpenType shaper alone (no FreeType, GLib, ICU or
  # Uniscribe), built as C++ without exceptions, as its own build does.
  add_library(thirdparty_harfbuzz STATIC "${_harfbuzz_dir}/src/harfbuzz.cc")
  target_include_directories(thirdparty_harfbuzz SYSTEM PUBLIC "${_harfbuzz_dir}/src")
  target_compile_options(thirdparty_harfbuzz PRIVATE -w -fno-exceptions -fno-rtti -fno-threadsafe-statics)
  set_target_properties(thirdparty_harfbuzz PROPERTIES EXCLUDE_FROM_ALL ON)
  add_library(thirdparty::harfbuzz ALIAS thirdparty_harfbuzz)

  # FriBidi's bidirectional algorithm with the Unicode tables its source package ships already
  # generated; its configuration header made here as its own build makes it. Linked statically:
  # see the README for what its licence (LGPL 2.1 or later) then asks of a distribution.
  file(STRINGS "${_fribidi_dir}/meson.build" _fribidi_version_line REGEX "version *: *'[0-9.]+'" LIMIT_COUNT 1)
  string(REGEX MATCH "([0-9]+)\\.([0-9]+)\\.([0-9]+)" FRIBIDI_VERSION "${_fribidi_version_line}")
  set(FRIBIDI_MAJOR_VERSION ${CMAKE_MATCH_1})
  set(FRIBIDI_MINOR_VERSION ${CMAKE_MATCH_2})
  set(FRIBIDI_MICRO_VERSION ${CMAKE_MATCH_3})
  set(FRIBIDI_INTERFACE_VERSION 4)
  set(PACKAGE fribidi)
  set(PACKAGE_NAME "GNU FriBidi")
  set(PACKAGE_BUGREPORT "")
  set(SIZEOF_INT 4)
  set(FRIBIDI_MSVC_BUILD_PLACEHOLDER "#undef FRIBIDI_BUILT_WITH_MSVC")
  configure_file("${_fribidi_dir}/lib/fribidi-config.h.in" "${CMAKE_BINARY_DIR}/thirdparty/fribidi/fribidi-config.h" @ONLY)
  file(WRITE "${CMAKE_BINARY_DIR}/thirdparty/fribidi/config.h"
    "#define HAVE_STDLIB_H 1\n#define HAVE_STRING_H 1\n#define HAVE_STRINGIZE 1\n#define HAVE_MEMSET 1\n#define HAVE_MEMMOVE 1\n")
  set(_fribidi_sources)
  foreach(_f fribidi fribidi-arabic fribidi-bidi fribidi-bidi-types fribidi-brackets fribidi-char-sets
             fribidi-char-sets-cap-rtl fribidi-char-sets-cp1255 fribidi-char-sets-cp1256 fribidi-char-sets-iso8859-6
             fribidi-char-sets-iso8859-8 fribidi-char-sets-utf8 fribidi-deprecated fribidi-joining
             fribidi-joining-types fribidi-mirroring fribidi-run fribidi-shape)
    list(APPEND _fribidi_sources "${_fribidi_dir}/lib/${_f}.c")
  endforeach()
  add_library(thirdparty_fribidi STATIC ${_fribidi_sources})
  target_include_directories(thirdparty_fribidi SYSTEM PUBLIC "${_fribidi_dir}/lib" "${CMAKE_BINARY_DIR}/thirdparty/fribidi")
  target_compile_definitions(thirdparty_fribidi PRIVATE HAVE_CONFIG_H)
  target_compile_definitions(thirdparty_fribidi PUBLIC FRIBIDI_STATIC "FRIBIDI_ENTRY=extern")
  target_compile_options(thirdparty_fribidi PRIVATE -w)
  set_target_properties(thirdparty_fribidi PROPERTIES EXCLUDE_FROM_ALL ON)
  add_library(thirdparty::fribidi ALIAS thirdparty_fribidi)

  # libhyphen is two C files; its dictionaries are data, shipped beside the programs (see layout/).
  add_library(thirdparty_hyphen STATIC "${_hyphen_dir}/hyphen.c" "${_hyphen_dir}/hnjalloc.c")
  target_include_directories(thirdparty_hyphen SYSTEM PUBLIC "${_hyphen_dir}")
  target_compile_options(thirdparty_hyphen PRIVATE -w)
  set_target_properties(thirdparty_hyphen PROPERTIES C_STANDARD 99 EXCLUDE_FROM_ALL ON)
  add_library(thirdparty::hyphen ALIAS thirdparty_hyphen)

  set_directory_properties(PROPERTIES COMPILE_OPTIONS "${_our_options}")

  # stb is headers only; Debian's libstb-dev has them (in a folder of their own, safe to give the cross
  # compiler), outside the mingw find root.
  find_path(STB_INCLUDE_DIR stb_image.h PATHS /usr/include PATH_SUFFIXES stb NO_CMAKE_FIND_ROOT_PATH
    NO_DEFAULT_PATH)
  if(NOT STB_INCLUDE_DIR)
    message(FATAL_ERROR "stb_image.h not found: run scripts/setup.sh (it installs libstb-dev)")
  endif()
  add_library(thirdparty::stb INTERFACE IMPORTED)
  set_target_properties(thirdparty::stb PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${STB_INCLUDE_DIR})
else()
  find_package(Snappy CONFIG REQUIRED)
  add_library(thirdparty::snappy ALIAS Snappy::snappy)

  find_path(HPDF_INCLUDE_DIR hpdf.h REQUIRED)
  find_library(HPDF_LIBRARY hpdf REQUIRED)
  add_library(thirdparty::hpdf UNKNOWN IMPORTED)
  set_target_properties(thirdparty::hpdf PROPERTIES
    IMPORTED_LOCATION ${HPDF_LIBRARY} INTERFACE_INCLUDE_DIRECTORIES ${HPDF_INCLUDE_DIR})

  find_path(HYPHEN_INCLUDE_DIR hyphen.h REQUIRED)
  find_library(HYPHEN_LIBRARY hyphen REQUIRED)
  add_library(thirdparty::hyphen UNKNOWN IMPORTED)
  set_target_properties(thirdparty::hyphen PROPERTIES
    IMPORTED_LOCATION ${HYPHEN_LIBRARY} INTERFACE_INCLUDE_DIRECTORIES ${HYPHEN_INCLUDE_DIR})

  find_path(STB_INCLUDE_DIR stb_image.h PATH_SUFFIXES stb REQUIRED)
  add_library(thirdparty::stb INTERFACE IMPORTED)
  set_target_properties(thirdparty::stb PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${STB_INCLUDE_DIR})

  find_package(PkgConfig REQUIRED)
  pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
  add_library(thirdparty::fontconfig ALIAS PkgConfig::FONTCONFIG)
  pkg_check_modules(HARFBUZZ REQUIRED IMPORTED_TARGET harfbuzz)
  add_library(thirdparty::harfbuzz ALIAS PkgConfig::HARFBUZZ)
  pkg_check_modules(FRIBIDI REQUIRED IMPORTED_TARGET fribidi)
  add_library(thirdparty::fribidi ALIAS PkgConfig::FRIBIDI)
endif()
