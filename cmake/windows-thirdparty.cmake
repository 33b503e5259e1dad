# Finds the Windows libraries that scripts/windows/build-thirdparty builds into its cache,
# for a cross build with cmake/toolchain-mingw-w64-posix.cmake. Included right after
# project(): configure with -DCMAKE_PROJECT_INCLUDE=<this file>, or include() it under
# if(WIN32).
#   SQLCipher: the imported target Movra::SQLCIPHER (include <sqlcipher/sqlite3.h>; one
#              static library that holds libtomcrypt too). pkg-config sees it as well, so
#              the Linux build's `pkg_check_modules(SQLCIPHER REQUIRED IMPORTED_TARGET
#              sqlcipher)` would find it unchanged as PkgConfig::SQLCIPHER.
#   libpq:     the imported target PkgConfig::LIBPQ, the name the Linux build's
#              `pkg_check_modules(LIBPQ REQUIRED IMPORTED_TARGET libpq)` gives Debian's
#              libpq, so one target_link_libraries(... PkgConfig::LIBPQ) serves both (one
#              static library with OpenSSL inside; include <libpq-fe.h>). pkg-config sees
#              it too.
#   Qt:        find_package(Qt6 COMPONENTS Core Gui Widgets PrintSupport) finds it; the
#              host's Qt 6.4.2 (/usr) runs moc, rcc and uic.
include_guard(GLOBAL)

if(DEFINED ENV{MOVRA_WIN_CACHE} AND NOT "$ENV{MOVRA_WIN_CACHE}" STREQUAL "")
  set(_movra_win_cache "$ENV{MOVRA_WIN_CACHE}")
else()
  set(_movra_win_cache "$ENV{HOME}/.cache/movra-windows")
endif()
set(MOVRA_WIN_CACHE "${_movra_win_cache}" CACHE PATH "cache of the Windows libraries (scripts/windows/build-thirdparty)")
set(MOVRA_WIN_SQLCIPHER_DIR "${MOVRA_WIN_CACHE}/sqlcipher-3.4.1-tomcrypt-1.18.2" CACHE PATH "SQLCipher for Windows")
set(MOVRA_WIN_QT_DIR "${MOVRA_WIN_CACHE}/qt-6.4.2" CACHE PATH "Qt for Windows")
set(MOVRA_WIN_LIBPQ_DIR "${MOVRA_WIN_CACHE}/libpq-15.18-openssl-3.0.17" CACHE PATH "PostgreSQL's libpq for Windows")

# A static library of the cache as an imported target:
#   movra_win_cached_library(TARGET NAME name STAGE stage DIR dir LIBRARY file
#                            [LINK system libraries] [DEFINES definitions])
# A folder counts only once its build finished and left the marker.
function(movra_win_cached_library target)
  cmake_parse_arguments(L "" "NAME;STAGE;DIR;LIBRARY" "LINK;DEFINES" ${ARGN})
  if(NOT EXISTS "${L_DIR}/.complete")
    message(FATAL_ERROR "${L_NAME} for Windows is not built in ${L_DIR}: "
      "run scripts/windows/build-thirdparty ${L_STAGE}")
  endif()
  set(CMAKE_FIND_ROOT_PATH ${CMAKE_FIND_ROOT_PATH} "${L_DIR}" PARENT_SCOPE)
  if(NOT TARGET ${target})
    add_library(${target} STATIC IMPORTED GLOBAL)
    set_target_properties(${target} PROPERTIES
      IMPORTED_LOCATION "${L_DIR}/lib/${L_LIBRARY}"
      INTERFACE_INCLUDE_DIRECTORIES "${L_DIR}/include"
      INTERFACE_COMPILE_DEFINITIONS "${L_DEFINES}"
      INTERFACE_LINK_LIBRARIES "${L_LINK}")
  endif()
endfunction()

# rpcrt4: SQLite seeds its randomness from the system's random UUIDs.
movra_win_cached_library(Movra::SQLCIPHER NAME SQLCipher STAGE sqlcipher
  DIR "${MOVRA_WIN_SQLCIPHER_DIR}" LIBRARY libsqlcipher.a LINK rpcrt4 DEFINES SQLITE_HAS_CODEC)
# ws2_32: sockets; secur32: SSPI logins; shell32: %APPDATA% for pgpass.conf; advapi32: the
# user's name and random bytes; crypt32, gdi32: OpenSSL's.
movra_win_cached_library(PkgConfig::LIBPQ NAME libpq STAGE libpq
  DIR "${MOVRA_WIN_LIBPQ_DIR}" LIBRARY libpq.a LINK secur32 ws2_32 shell32 advapi32 crypt32 gdi32)

# pkg-config sees only the Windows libraries, never the host's Linux ones.
set(ENV{PKG_CONFIG_LIBDIR} "${MOVRA_WIN_SQLCIPHER_DIR}/lib/pkgconfig:${MOVRA_WIN_LIBPQ_DIR}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

if(EXISTS "${MOVRA_WIN_QT_DIR}/.complete")
  list(APPEND CMAKE_FIND_ROOT_PATH "${MOVRA_WIN_QT_DIR}")
  list(APPEND CMAKE_PREFIX_PATH "${MOVRA_WIN_QT_DIR}")
  set(Qt6_DIR "${MOVRA_WIN_QT_DIR}/lib/cmake/Qt6" CACHE PATH "Qt for Windows" FORCE)
  # Debian keeps the host Qt's CMake packages in the multiarch folder.
  set(QT_HOST_PATH "/usr" CACHE PATH "host Qt with moc, rcc and uic")
  file(GLOB _movra_host_qt_cmake LIST_DIRECTORIES true "/usr/lib/*/cmake/Qt6HostInfo")
  if(_movra_host_qt_cmake)
    list(GET _movra_host_qt_cmake 0 _movra_host_qt_cmake)
    get_filename_component(_movra_host_qt_cmake "${_movra_host_qt_cmake}" DIRECTORY)
    set(QT_HOST_PATH_CMAKE_DIR "${_movra_host_qt_cmake}" CACHE PATH "host Qt's CMake packages")
  endif()
  set(MOVRA_WIN_HAVE_QT ON)
else()
  set(MOVRA_WIN_HAVE_QT OFF)
  message(STATUS "Qt for Windows is not built yet in ${MOVRA_WIN_QT_DIR} "
    "(scripts/windows/build-thirdparty qt): only the programs without windows can be built")
endif()
