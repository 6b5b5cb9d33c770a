# What `cmake --install` puts on the system, the uninstall target and the
# Debian package. Paths inside the generated files (desktop entry, user
# service, D-Bus activation) are worked out at install time, so that
# `cmake --install build --prefix P` writes P into them.

set(HALVORA_DATA_DIR ${PROJECT_SOURCE_DIR}/data)

install(TARGETS halvora halvora-desktop RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS halvora_media LIBRARY DESTINATION ${HALVORA_PRIVATE_LIBDIR})

# Files that name installed programs, filled in with the install prefix.
set(HALVORA_GENERATED_AT_INSTALL ${CMAKE_BINARY_DIR}/install-time)
configure_file(${HALVORA_DATA_DIR}/app.desktop.in ${CMAKE_BINARY_DIR}/install-templates/app.desktop.in
               @ONLY)
install(CODE "
  set(prefix \"\${CMAKE_INSTALL_PREFIX}\")
  set(HALVORA_INSTALLED_DESKTOP \"\${prefix}/${CMAKE_INSTALL_BINDIR}/halvora-desktop\")
  set(HALVORA_BRIDGE_BUS_NAME \"${HALVORA_BRIDGE_BUS_NAME}\")
  set(HALVORA_APP_ID \"${HALVORA_APP_ID}\")
  set(out \"${HALVORA_GENERATED_AT_INSTALL}\")
  configure_file(\"${HALVORA_DATA_DIR}/app.desktop.in\" \"\${out}/${HALVORA_APP_ID}.desktop\" @ONLY)
  configure_file(\"${HALVORA_DATA_DIR}/desktop.service.in\" \"\${out}/halvora-desktop.service\" @ONLY)
  configure_file(\"${HALVORA_DATA_DIR}/bridge.dbus.service.in\" \"\${out}/${HALVORA_BRIDGE_BUS_NAME}.service\" @ONLY)
  file(INSTALL \"\${out}/${HALVORA_APP_ID}.desktop\"
       DESTINATION \"\${prefix}/${CMAKE_INSTALL_DATADIR}/applications\")
  file(INSTALL \"\${out}/halvora-desktop.service\"
       DESTINATION \"\${prefix}/${HALVORA_SYSTEMD_USER_UNIT_DIR}\")
  file(INSTALL \"\${out}/${HALVORA_BRIDGE_BUS_NAME}.service\"
       DESTINATION \"\${prefix}/${CMAKE_INSTALL_DATADIR}/dbus-1/services\")
")

string(TIMESTAMP HALVORA_RELEASE_DATE "%Y-%m-%d" UTC)
configure_file(${HALVORA_DATA_DIR}/app.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/data/${HALVORA_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/data/${HALVORA_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Icons: the program's, and the input method's for fcitx5's tray.
set(HALVORA_ICON_DIR ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${HALVORA_DATA_DIR}/icons/app.svg DESTINATION ${HALVORA_ICON_DIR}/scalable/apps
        RENAME ${HALVORA_APP_ID}.svg)
install(FILES ${HALVORA_DATA_DIR}/icons/tray.svg DESTINATION ${HALVORA_ICON_DIR}/scalable/apps
        RENAME ${HALVORA_TRAY_ICON}.svg)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${HALVORA_DATA_DIR}/icons/png/${size}/app.png
          DESTINATION ${HALVORA_ICON_DIR}/${size}x${size}/apps RENAME ${HALVORA_APP_ID}.png)
  install(FILES ${HALVORA_DATA_DIR}/icons/png/${size}/tray.png
          DESTINATION ${HALVORA_ICON_DIR}/${size}x${size}/apps RENAME ${HALVORA_TRAY_ICON}.png)
endforeach()

# Documentation: the README (help and about links open it) and its pictures,
# the licence in Debian's machine-readable form, and the changelog Debian
# asks of every package (compressed, as it does man pages; -n keeps the
# build time out, so that the same sources give the same package).
find_program(HALVORA_GZIP gzip REQUIRED)
string(TIMESTAMP HALVORA_COPYRIGHT_YEAR "%Y" UTC)
string(TIMESTAMP HALVORA_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${HALVORA_DATA_DIR}/debian/copyright.in ${CMAKE_BINARY_DIR}/doc/copyright @ONLY)
configure_file(${HALVORA_DATA_DIR}/debian/changelog.in ${CMAKE_BINARY_DIR}/doc/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/doc/changelog.gz
  COMMAND ${HALVORA_GZIP} -9nkf ${CMAKE_BINARY_DIR}/doc/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog
  COMMENT "Compressing the changelog"
  VERBATIM)
add_custom_target(package_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/doc/copyright ${CMAKE_BINARY_DIR}/doc/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/screenshots DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

install(FILES ${HALVORA_DATA_DIR}/halvora.bash-completion
        DESTINATION ${HALVORA_BASH_COMPLETION_DIR} RENAME halvora)

# Man pages from the programs' own --help and --version.
find_program(HELP2MAN help2man)
if(HELP2MAN)
  set(man_pages)
  foreach(program halvora halvora-desktop)
    set(help_option --help)
    if(program STREQUAL "halvora")
      set(summary "Vietnamese composition, simulated typing, settings, QR and backups")
      # Every command's options on the one page.
      set(help_option --help-all)
    else()
      set(summary "the Halvora desktop program behind the Vietnamese input method")
    endif()
    add_custom_command(
      OUTPUT ${CMAKE_BINARY_DIR}/man/${program}.1 ${CMAKE_BINARY_DIR}/man/${program}.1.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
              ${HELP2MAN} --no-info --no-discard-stderr --name=${summary} --section=1 --help-option=${help_option}
              --output=${CMAKE_BINARY_DIR}/man/${program}.1 $<TARGET_FILE:${program}>
      COMMAND ${HALVORA_GZIP} -9nkf ${CMAKE_BINARY_DIR}/man/${program}.1
      DEPENDS ${program}
      COMMENT "Writing the man page of ${program}"
      VERBATIM)
    list(APPEND man_pages ${CMAKE_BINARY_DIR}/man/${program}.1.gz)
  endforeach()
  if(HALVORA_IBUS_ENGINE)
    # Started by ibus-daemon, it has no help of its own to read a page from.
    add_custom_command(
      OUTPUT ${CMAKE_BINARY_DIR}/man/ibus-engine-halvora.1.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${CMAKE_COMMAND} -E copy ${HALVORA_DATA_DIR}/ibus-engine-halvora.1
              ${CMAKE_BINARY_DIR}/man/ibus-engine-halvora.1
      COMMAND ${HALVORA_GZIP} -9nf ${CMAKE_BINARY_DIR}/man/ibus-engine-halvora.1
      DEPENDS ${HALVORA_DATA_DIR}/ibus-engine-halvora.1
      VERBATIM)
    list(APPEND man_pages ${CMAKE_BINARY_DIR}/man/ibus-engine-halvora.1.gz)
  endif()
  add_custom_target(man_pages ALL DEPENDS ${man_pages})
  install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man not found: no man pages")
endif()

configure_file(${PROJECT_SOURCE_DIR}/cmake/Uninstall.cmake.in ${CMAKE_BINARY_DIR}/Uninstall.cmake @ONLY)
add_custom_target(uninstall COMMAND ${CMAKE_COMMAND} -P ${CMAKE_BINARY_DIR}/Uninstall.cmake
                  COMMENT "Removing the installed files")

# The Debian package: `bash scripts/package.sh`.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME halvora)
set(CPACK_PACKAGE_VENDOR Halvora)
set(CPACK_PACKAGE_CONTACT "Halvora <${HALVORA_CONTACT}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Vietnamese input method with snippets, quick replies and transfer QR")
# Debian wants the lines of the long description within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Halvora lets Vietnamese sellers type Vietnamese anywhere and answer customers
fast in chat applications: Telex and VNI composition through fcitx5 or IBus,
snippets, quick replies, bank-transfer QR images, backups and text tools.")
set(CPACK_PACKAGE_HOMEPAGE_URL ${HALVORA_PROJECT_URL})
set(CPACK_PACKAGE_FILE_NAME "halvora_${PROJECT_VERSION}_amd64")
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_SOURCE_DIR}/dist)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# shlibdeps finds the libraries; these are loaded by name at run time: the
# framework itself, Qt's X11 platform plugin, the bus daemon for the bridge.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fcitx5 (>= 5.0), qt6-qpa-plugins, dbus-user-session | dbus-x11")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fcitx5-frontend-gtk3, fcitx5-frontend-gtk4, fcitx5-frontend-qt5, fcitx5-frontend-qt6, fcitx5-config-qt, wl-clipboard, qt6-wayland, qt6-image-formats-plugins, bash-completion")
include(CPack)
