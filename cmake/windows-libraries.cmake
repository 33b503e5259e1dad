# The libraries of the Windows build. SQLCipher is cross-built once per machine into a
# cache (scripts/windows); cmake/windows-thirdparty.cmake, when present, says where. Without
# it the cache folder is looked for by name.
if(EXISTS ${CMAKE_SOURCE_DIR}/cmake/windows-thirdparty.cmake)
  include(${CMAKE_SOURCE_DIR}/cmake/windows-thirdparty.cmake)
endif()

if(NOT TARGET Movra::SQLCIPHER)
  set(MOVRA_WINDOWS_CACHE "$ENV{HOME}/.cache/movra-windows" CACHE PATH "cross-built Windows libraries")
  # The newest finished build: each folder gets its .complete mark last.
  file(GLOB _done "${MOVRA_WINDOWS_CACHE}/sqlcipher*/.complete")
  list(SORT _done)
  list(REVERSE _done)
  list(GET _done 0 _mark)
  if(NOT _mark)
    message(FATAL_ERROR "SQLCipher for Windows not found under ${MOVRA_WINDOWS_CACHE} (build it with scripts/windows)")
  endif()
  get_filename_component(_sqlcipher_dir ${_mark} DIRECTORY)
  set(MOVRA_SQLCIPHER_INCLUDE ${_sqlcipher_dir}/include)
  set(MOVRA_SQLCIPHER_LIBRARY ${_sqlcipher_dir}/lib/libsqlcipher.a)
  add_library(Movra::SQLCIPHER UNKNOWN IMPORTED)
  set_target_properties(Movra::SQLCIPHER PROPERTIES
    IMPORTED_LOCATION ${MOVRA_SQLCIPHER_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${MOVRA_SQLCIPHER_INCLUDE})
  # libtomcrypt does the cryptography; its random bytes come from the system's provider.
  if(EXISTS ${_sqlcipher_dir}/lib/libtomcrypt.a)
    set_property(TARGET Movra::SQLCIPHER APPEND PROPERTY INTERFACE_LINK_LIBRARIES ${_sqlcipher_dir}/lib/libtomcrypt.a)
  endif()
  set_property(TARGET Movra::SQLCIPHER APPEND PROPERTY INTERFACE_LINK_LIBRARIES advapi32 bcrypt rpcrt4)
endif()

# nlohmann/json is header-only: Debian's headers serve the cross compiler too, through a
# folder that holds them alone (all of /usr/include would shadow MinGW's own headers).
if(NOT TARGET Movra::JSON)
  set(MOVRA_JSON_HEADERS /usr/include/nlohmann CACHE PATH "nlohmann/json headers")
  if(NOT EXISTS ${MOVRA_JSON_HEADERS}/json.hpp)
    message(FATAL_ERROR "nlohmann/json not found in ${MOVRA_JSON_HEADERS} (scripts/install-deps installs nlohmann-json3-dev)")
  endif()
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/json-include)
  file(CREATE_LINK ${MOVRA_JSON_HEADERS} ${CMAKE_BINARY_DIR}/json-include/nlohmann SYMBOLIC)
  add_library(Movra::JSON INTERFACE IMPORTED)
  set_target_properties(Movra::JSON PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/json-include)
endif()

# HTTP for sending Bundles to a clinic's server: the system's WinHTTP.
if(NOT TARGET Movra::HTTP)
  add_library(Movra::HTTP INTERFACE IMPORTED)
  set_target_properties(Movra::HTTP PROPERTIES INTERFACE_LINK_LIBRARIES winhttp)
endif()

# GoogleTest from Debian's source package, built with the cross compiler.
if(NOT TARGET GTest::gtest)
  set(MOVRA_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${MOVRA_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
