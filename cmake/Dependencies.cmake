# Third-party libraries for both builds. Included before our warning flags are set, so that
# their sources are compiled with their own settings.

set(VELMORAN_DEPS_CACHE "${CMAKE_SOURCE_DIR}/build/cache" CACHE PATH
    "Where scripts/deps.sh put the sources the win32 build compiles itself")

# GoogleTest and GoogleMock from Debian's sources, built for the target at hand.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# zlib: the system's on the host, the static MinGW build of libz-mingw-w64-dev for win32.
if(WIN32)
  find_library(ZLIB_STATIC_LIBRARY NAMES libz.a REQUIRED)
  find_path(ZLIB_STATIC_INCLUDE NAMES zlib.h REQUIRED)
  add_library(ZLIB::ZLIB STATIC IMPORTED)
  set_target_properties(ZLIB::ZLIB PROPERTIES
    IMPORTED_LOCATION ${ZLIB_STATIC_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${ZLIB_STATIC_INCLUDE})
else()
  find_package(ZLIB REQUIRED)
endif()

# pugixml: compiled from Debian's source package for both builds, so that both run the same
# parser, built with our optimisation (the host's shared library cost a call through the PLT
# for every node and attribute the reader visits).
set(pugixml_src ${VELMORAN_DEPS_CACHE}/pugixml-src/src)
if(NOT EXISTS ${pugixml_src}/pugixml.cpp)
  message(FATAL_ERROR "pugixml sources missing in ${pugixml_src}: run scripts/deps.sh")
endif()
add_library(pugixml_static STATIC ${pugixml_src}/pugixml.cpp)
target_include_directories(pugixml_static SYSTEM PUBLIC ${pugixml_src})
set_target_properties(pugixml_static PROPERTIES POSITION_INDEPENDENT_CODE OFF)
add_library(pugixml::pugixml ALIAS pugixml_static)
