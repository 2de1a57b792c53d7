# How Qelvora is delivered: the version header, the files a new data folder
# starts from, the install layout and the Debian package (cpack -G DEB).
#
# Installed layout (prefix /usr):
#   bin/qelvora                                  the program
#   share/qelvora/userdb.mdb, sysConf.ini        the empty store and the delivered settings
#   share/qelvora/help/                          the user guide
#   share/applications/qelvora.desktop           the desktop entry
#   share/icons/hicolor/*/apps/qelvora.*         the icon
#   share/man/man1/qelvora.1.gz                  the manual page
#   share/doc/qelvora/copyright, changelog.Debian.gz
# The program finds share/qelvora beside its bin folder (DataFolder); the
# build tree has the same share/qelvora, so a build's program finds it too.

include(GNUInstallDirs)

# The version and build date the program reports (--version, 帮助 → 关于).
# The date follows SOURCE_DATE_EPOCH when that is set.
string(TIMESTAMP QELVORA_BUILD_DATE "%Y-%m-%d" UTC)
configure_file(${PROJECT_SOURCE_DIR}/cmake/QelvoraVersion.h.in ${CMAKE_BINARY_DIR}/generated/QelvoraVersion.h @ONLY)
target_include_directories(qelvora_settings INTERFACE ${CMAKE_BINARY_DIR}/generated)

# The files a new data folder is laid out from: an empty store made from the
# schema (made again whenever the store tool changes) and the delivered settings.
set(QELVORA_TEMPLATE_DIR ${CMAKE_BINARY_DIR}/share/qelvora)
add_custom_command(OUTPUT ${QELVORA_TEMPLATE_DIR}/userdb.mdb
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QELVORA_TEMPLATE_DIR}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${QELVORA_TEMPLATE_DIR}/userdb.mdb
  COMMAND $<TARGET_FILE:qelvora-makedb> ${QELVORA_TEMPLATE_DIR}/userdb.mdb
  DEPENDS qelvora-makedb
  COMMENT "Making the empty store share/qelvora/userdb.mdb"
  VERBATIM)
add_custom_command(OUTPUT ${QELVORA_TEMPLATE_DIR}/sysConf.ini
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PROJECT_SOURCE_DIR}/data/sysConf.ini
    ${QELVORA_TEMPLATE_DIR}/sysConf.ini
  DEPENDS ${PROJECT_SOURCE_DIR}/data/sysConf.ini
  VERBATIM)

# The Debian package's version: the project's version and the package revision.
set(QELVORA_DEBIAN_REVISION 1)
set(QELVORA_DEBIAN_VERSION ${PROJECT_VERSION}-${QELVORA_DEBIAN_REVISION})
# The changelog's newest entry must be the package's version.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog QELVORA_CHANGELOG_TOP LIMIT_COUNT 1)
string(FIND "${QELVORA_CHANGELOG_TOP}" "qelvora (${QELVORA_DEBIAN_VERSION}) " QELVORA_CHANGELOG_AT)
if(NOT QELVORA_CHANGELOG_AT EQUAL 0)
  message(FATAL_ERROR "packaging/changelog must start with an entry for qelvora (${QELVORA_DEBIAN_VERSION})")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog)

# The changelog and the manual page are installed compressed, without a time
# stamp in the gzip header (gzip -9n), as Debian requires.
# The manual page names the project's version.
set(QELVORA_PACKAGING_DIR ${CMAKE_BINARY_DIR}/packaging)
configure_file(${PROJECT_SOURCE_DIR}/packaging/qelvora.1.in ${QELVORA_PACKAGING_DIR}/qelvora.1 @ONLY)
foreach(pair "${PROJECT_SOURCE_DIR}/packaging/changelog;changelog.Debian.gz"
    "${QELVORA_PACKAGING_DIR}/qelvora.1;qelvora.1.gz")
  list(GET pair 0 source)
  list(GET pair 1 target)
  add_custom_command(OUTPUT ${QELVORA_PACKAGING_DIR}/${target}
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2.part\" && mv \"$2.part\" \"$2\"" sh
      ${source} ${QELVORA_PACKAGING_DIR}/${target}
    DEPENDS ${source}
    VERBATIM)
endforeach()

add_custom_target(qelvora-delivered ALL DEPENDS
  ${QELVORA_TEMPLATE_DIR}/userdb.mdb ${QELVORA_TEMPLATE_DIR}/sysConf.ini
  ${QELVORA_PACKAGING_DIR}/changelog.Debian.gz ${QELVORA_PACKAGING_DIR}/qelvora.1.gz)
add_dependencies(qelvora qelvora-delivered)

# What the package installs.
install(TARGETS qelvora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${QELVORA_TEMPLATE_DIR}/userdb.mdb ${QELVORA_TEMPLATE_DIR}/sysConf.ini
  DESTINATION ${CMAKE_INSTALL_DATADIR}/qelvora)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/guide/ DESTINATION ${CMAKE_INSTALL_DATADIR}/qelvora/help)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/qelvora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/${size}x${size}/qelvora.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/qelvora.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${QELVORA_PACKAGING_DIR}/qelvora.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${QELVORA_PACKAGING_DIR}/changelog.Debian.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qelvora)

# The Debian package.
set(QELVORA_PACKAGE_MAINTAINER "Qelvora developers <qelvora@example.org>"
  CACHE STRING "Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qelvora)
set(CPACK_PACKAGE_VENDOR "Qelvora developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "offline preparation of bank upload files for payments and payroll")
set(CPACK_PACKAGE_DESCRIPTION "Qelvora prepares payment instructions offline for upload to a bank's corporate
online-banking service: batch payments from one payer account and payroll
disbursements, built from the company's master data (payer and payee
accounts, a payroll roster, reusable remarks) and written as the bank's
upload files (CSV in GBK; payroll also as .xls workbooks).

The program is a Qt desktop application with a Chinese user interface. Each
user's data (an SQLite store and the settings) lives in the user's own data
folder, created on first start.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${QELVORA_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QELVORA_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the program links come from dpkg-shlibdeps; what it loads at
# run time does not show there: Qt's platform plugins and its Chinese
# translation, and a font with the Chinese characters.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, fonts-wqy-zenhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
