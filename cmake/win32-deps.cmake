# Dependencies of the Windows tree: static zlib from the mingw-w64 package, liblzma built from
# Debian's xz-utils source (fetched by scripts/setup), GoogleTest from its installed sources.

# The static archive, never the import library of zlib1.dll.
find_library(ZLIB_LIBRARY NAMES libz.a REQUIRED)
find_package(ZLIB REQUIRED)

file(GLOB MV_XZ_SOURCE_DIRS LIST_DIRECTORIES true "${PROJECT_SOURCE_DIR}/build/src/xz-utils-*")
list(FILTER MV_XZ_SOURCE_DIRS EXCLUDE REGEX "\\.(dsc|tar\\..*)$")
if(NOT MV_XZ_SOURCE_DIRS)
  message(FATAL_ERROR "xz-utils source not found under build/src: run ./scripts/setup")
endif()
list(GET MV_XZ_SOURCE_DIRS 0 MV_XZ_SOURCE_DIR)
set(BUILD_SHARED_LIBS OFF CACHE BOOL "" FORCE)
set(BUILD_TESTING OFF CACHE BOOL "" FORCE)
add_subdirectory(${MV_XZ_SOURCE_DIR} ${CMAKE_BINARY_DIR}/xz EXCLUDE_FROM_ALL SYSTEM)

set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Every Windows program is self-contained: no DLL of the toolchain beside it. Unused code is
# dropped: the runtime is downloaded with every installer.
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
target_include_directories(liblzma SYSTEM INTERFACE $<BUILD_INTERFACE:${MV_XZ_SOURCE_DIR}/src/liblzma/api>)
