# The version the programs print (--version, the About window) comes from project() alone, as
# does the version of the Debian package: one number to change for a release.
configure_file(${CMAKE_CURRENT_LIST_DIR}/MailferryVersion.h.in
               ${CMAKE_BINARY_DIR}/generated/MailferryVersion.h @ONLY)
# The Windows version record says the minor number in two digits: 5.2.0 is "5.02".
if(PROJECT_VERSION_MINOR LESS 10)
  set(MAILFERRY_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.0${PROJECT_VERSION_MINOR}")
else()
  set(MAILFERRY_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/MailferryVersionRc.h.in
               ${CMAKE_BINARY_DIR}/generated/MailferryVersionRc.h @ONLY)
add_library(mailferry_version INTERFACE)
target_include_directories(mailferry_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
