# What `cmake --install` lays out and what `cpack` packs into mailferry_<version>_amd64.deb:
# the programs in bin/, their man pages and, for the wizard, its desktop entry, icons and help
# page. The package's dependencies come from the shared libraries the programs link.
include(GNUInstallDirs)
# Installing takes what is built: a tree that built only the programs (./run, the package
# check) installs without building its tests first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS mailferry-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
set(mailferry_man_pages mailferry-convert)

if(TARGET mailferry)
  install(TARGETS mailferry RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  list(APPEND mailferry_man_pages mailferry)
  if(WIN32)
    install(FILES app/resources/show-hidden.mht DESTINATION ${CMAKE_INSTALL_BINDIR})
  else()
    # app/HelpPage.cpp looks in ../share/mailferry from the program's folder.
    install(FILES app/resources/show-hidden.mht DESTINATION ${CMAKE_INSTALL_DATADIR}/mailferry)
    install(FILES app/resources/mailferry.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    foreach(size 16 24 32 48 64 128 256)
      install(FILES app/resources/icons/mailferry-${size}.png
              DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
              RENAME mailferry.png)
    endforeach()
  endif()
endif()

if(NOT WIN32)
  foreach(page ${mailferry_man_pages})
    configure_file(docs/man/${page}.1.in ${CMAKE_BINARY_DIR}/man/${page}.1 @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/man/${page}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
endif()

set(CPACK_PACKAGE_NAME mailferry)
set(CPACK_PACKAGE_VENDOR Kestrolin)
set(CPACK_PACKAGE_CONTACT "Kestrolin Mailferry <mailferry@kestrolin.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Converts Windows Mail messages and Windows Contacts into an Outlook PST file")
set(CPACK_PACKAGE_DESCRIPTION
    "Mailferry turns Windows Mail and Windows Live Mail message files (.eml, .emlx) and\n\
Windows Contacts files (.contact) into one new Outlook personal folders file (.pst),\n\
written by its own PST engine. It comes as a wizard (mailferry) and as a command-line\n\
program (mailferry-convert).")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.kestrolin.example")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET mailferry)
  # Loaded at run time, so the shared-library scan cannot see them: Qt's platform plugins
  # (the windows) and xdg-open (the help page).
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
endif()
include(CPack)
