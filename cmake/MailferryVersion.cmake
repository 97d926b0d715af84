# The version the programs print (--version, the About window) comes from project() alone, as
# does the version of the Debian package: one number to change for a release.
configure_file(${CMAKE_CURRENT_LIST_DIR}/MailferryVersion.h.in
               ${CMAKE_BINARY_DIR}/generated/MailferryVersion.h @ONLY)
add_library(mailferry_version INTERFACE)
target_include_directories(mailferry_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
