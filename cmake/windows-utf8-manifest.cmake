# Windows programs get a manifest that makes UTF-8 their ANSI code page (Windows 10 1903
# and later; Wine honours it too): paths are UTF-8 inside the program, and whatever opens
# a file by a narrow name (std::ifstream, fopen) then finds names outside the user's
# code page, e.g. a profile folder with "ü" or Chinese characters.
enable_language(RC)
function(movra_add_utf8_manifest dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t ${targets})
    get_target_property(type ${t} TYPE)
    if(type STREQUAL "EXECUTABLE")
      target_sources(${t} PRIVATE ${CMAKE_SOURCE_DIR}/cmake/windows/utf8-manifest.rc)
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(d ${subdirs})
    movra_add_utf8_manifest(${d})
  endforeach()
endfunction()
movra_add_utf8_manifest(${CMAKE_SOURCE_DIR})
