# The Debian package: `make package`. Programs in /usr/bin, everything they only read in
# /usr/share/movra (the installed program folder), desktop integration in the usual places.
# The users' data is made per user at first start, so the package holds no database.
if(WIN32 OR NOT MOVRA_BUILD_UI)
  return()
endif()
include(GNUInstallDirs)

set(pkg_src ${CMAKE_SOURCE_DIR}/install/package)
set(installdata ${CMAKE_BINARY_DIR}/installdata)
set(share ${CMAKE_INSTALL_DATADIR}/movra)
set(app_id com.velbrook.Movra)

# Documentation files are compressed without a time stamp, so the package is reproducible.
set(doc_outputs)
foreach(page movra.1 movra-cli.1)
  add_custom_command(OUTPUT ${installdata}/man/${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${installdata}/man
    COMMAND gzip -9 -n -c ${CMAKE_SOURCE_DIR}/install/man/${page} > ${installdata}/man/${page}.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/install/man/${page})
  list(APPEND doc_outputs ${installdata}/man/${page}.gz)
endforeach()
add_custom_command(OUTPUT ${installdata}/doc/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${installdata}/doc
  COMMAND gzip -9 -n -c ${pkg_src}/changelog > ${installdata}/doc/changelog.gz
  DEPENDS ${pkg_src}/changelog)
list(APPEND doc_outputs ${installdata}/doc/changelog.gz)
add_custom_target(package-docs ALL DEPENDS ${doc_outputs})

# The window program keeps its own name inside; users type `movra`. CPack strips only
# installed targets, so the renamed copy is stripped here.
add_custom_command(OUTPUT ${installdata}/bin/movra
  COMMAND ${CMAKE_COMMAND} -E make_directory ${installdata}/bin
  COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${installdata}/bin/movra $<TARGET_FILE:MovraT>
  DEPENDS MovraT)
add_custom_target(installed-window-program ALL DEPENDS ${installdata}/bin/movra)
install(PROGRAMS ${installdata}/bin/movra DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS movra-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${CMAKE_SOURCE_DIR}/install/MovraT.INI DESTINATION ${share})
install(DIRECTORY ${installdata}/Image/ DESTINATION ${share}/Image)
install(FILES ${installdata}/MovraTemplate.xls DESTINATION ${share}/data)
install(FILES ${installdata}/UserGuide.pdf DESTINATION ${share}/1)
foreach(lang 1033 2052 1031)
  install(FILES ${CMAKE_SOURCE_DIR}/install/lang/${lang}/MovraT.txt DESTINATION ${share}/${lang})
  install(FILES ${installdata}/${lang}/UserGuide.pdf DESTINATION ${share}/${lang})
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/install/${app_id}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${pkg_src}/${app_id}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/install/art/PTLogo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${app_id}.svg)
foreach(size 48 256)
  install(FILES ${installdata}/icons/${size}x${size}/${app_id}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${installdata}/man/movra.1.gz ${installdata}/man/movra-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${pkg_src}/copyright ${installdata}/doc/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/movra)
# udev reads its packaged rules from /usr/lib, whatever the install prefix.
install(FILES ${pkg_src}/70-movra-usb-serial.rules DESTINATION lib/udev/rules.d)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME movra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_VENDOR "Velbrook Medical")
set(CPACK_PACKAGE_CONTACT "Velbrook Medical <movra@velbrook.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "download PT/INR test results from a handheld meter")
set(CPACK_PACKAGE_DESCRIPTION "Movra reads every test stored in a handheld PT/INR meter over its
USB-to-UART cable. Each record arrives in a frame with its own checksum and
is acknowledged one by one, so a result is never lost between the meter and
the computer; when a download ends early, Movra says so and the records not
read stay in the meter.
.
The results are kept in an encrypted database in each user's own folder and
listed with check boxes; the ticked ones are exported to an Excel workbook
(.xls) or a CSV file for the doctor or the clinic. The window program is
movra; movra-cli does the same without a window. English, Chinese and German.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-wqy-microhei | fonts-noto-cjk, evince | okular | atril | qpdfview | mupdf, xdg-utils, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${pkg_src}/postinst ${pkg_src}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
