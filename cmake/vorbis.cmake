# libogg and libvorbis/vorbisfile, built for the target from the sources that
# scripts/install-deps.sh fetched, installed into the build tree as static libraries.
include(ExternalProject)

file(GLOB VELK_OGG_SOURCE_DIR LIST_DIRECTORIES true "${VELK_DEPS_DIR}/libogg-*")
file(GLOB VELK_VORBIS_SOURCE_DIR LIST_DIRECTORIES true "${VELK_DEPS_DIR}/libvorbis-*")
list(FILTER VELK_OGG_SOURCE_DIR EXCLUDE REGEX "\\.tar|\\.dsc")
list(FILTER VELK_VORBIS_SOURCE_DIR EXCLUDE REGEX "\\.tar|\\.dsc")
if(NOT VELK_OGG_SOURCE_DIR OR NOT VELK_VORBIS_SOURCE_DIR)
  message(FATAL_ERROR "libogg/libvorbis sources missing in ${VELK_DEPS_DIR}: run scripts/install-deps.sh")
endif()

set(VELK_DEPS_PREFIX "${CMAKE_BINARY_DIR}/deps")
set(velk_dep_args
  -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
  -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_INSTALL_PREFIX=${VELK_DEPS_PREFIX}
  -DCMAKE_PREFIX_PATH=${VELK_DEPS_PREFIX}
  -DBUILD_SHARED_LIBS=OFF
  -DBUILD_TESTING=OFF
  -DINSTALL_DOCS=OFF)

ExternalProject_Add(ogg_ext
  SOURCE_DIR ${VELK_OGG_SOURCE_DIR}
  CMAKE_ARGS ${velk_dep_args}
  BUILD_BYPRODUCTS ${VELK_DEPS_PREFIX}/lib/libogg.a)

ExternalProject_Add(vorbis_ext
  SOURCE_DIR ${VELK_VORBIS_SOURCE_DIR}
  CMAKE_ARGS ${velk_dep_args}
             -DOGG_INCLUDE_DIR=${VELK_DEPS_PREFIX}/include
             -DOGG_LIBRARY=${VELK_DEPS_PREFIX}/lib/libogg.a
  DEPENDS ogg_ext
  BUILD_BYPRODUCTS ${VELK_DEPS_PREFIX}/lib/libvorbis.a
                   ${VELK_DEPS_PREFIX}/lib/libvorbisfile.a
                   ${VELK_DEPS_PREFIX}/lib/libvorbisenc.a)

file(MAKE_DIRECTORY ${VELK_DEPS_PREFIX}/include)
foreach(lib ogg vorbis vorbisfile vorbisenc)
  add_library(velk_${lib} STATIC IMPORTED GLOBAL)
  set_target_properties(velk_${lib} PROPERTIES
    IMPORTED_LOCATION ${VELK_DEPS_PREFIX}/lib/lib${lib}.a
    INTERFACE_INCLUDE_DIRECTORIES ${VELK_DEPS_PREFIX}/include)
  add_dependencies(velk_${lib} vorbis_ext)
endforeach()
target_link_libraries(velk_vorbis INTERFACE velk_ogg)
target_link_libraries(velk_vorbisfile INTERFACE velk_vorbis)
target_link_libraries(velk_vorbisenc INTERFACE velk_vorbis)
