# Third-party libraries as imported targets, the same names in every build:
#   thirdparty::snappy, thirdparty::hpdf, thirdparty::stb, thirdparty::fontconfig (not on Windows)
# Natively they are Debian's -dev packages. The Windows build compiles Debian's source
# packages with the mingw toolchain (see scripts/setup.sh).
if(WIN32)
  message(WARNING "Windows third-party build not wired yet")
else()
  find_package(Snappy CONFIG REQUIRED)
  add_library(thirdparty::snappy ALIAS Snappy::snappy)

  find_path(HPDF_INCLUDE_DIR hpdf.h REQUIRED)
  find_library(HPDF_LIBRARY hpdf REQUIRED)
  add_library(thirdparty::hpdf UNKNOWN IMPORTED)
  set_target_properties(thirdparty::hpdf PROPERTIES
    IMPORTED_LOCATION ${HPDF_LIBRARY} INTERFACE_INCLUDE_DIRECTORIES ${HPDF_INCLUDE_DIR})

  find_path(STB_INCLUDE_DIR stb_image.h PATH_SUFFIXES stb REQUIRED)
  add_library(thirdparty::stb INTERFACE IMPORTED)
  set_target_properties(thirdparty::stb PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${STB_INCLUDE_DIR})

  find_package(PkgConfig REQUIRED)
  pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
  add_library(thirdparty::fontconfig ALIAS PkgConfig::FONTCONFIG)
endif()
