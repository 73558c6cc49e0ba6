# What `cmake --install` puts where, and the Debian packages CPack makes of it:
#
#   zrm-appserver (component server): the application server, a systemd unit that runs
#       `zrm-appserver serve` as the system user zrm on an SQLite database under
#       /var/lib/zrm-appserver, configured by the environment file <sysconfdir>/default/zrm-appserver;
#   zrm-desktop (component desktop): the host, the screen package with its language resource, and a
#       desktop entry that opens the screen.
#
# Each package carries the documentation, its manual page, the copyright file and the Debian
# changelog; the binaries are stripped and their debug symbols go into a -dbgsym package beside each.
# The paths follow CMAKE_INSTALL_PREFIX, and the unit and the desktop entry name the configured
# prefix's paths; configure with -DCMAKE_INSTALL_PREFIX=/usr (the preset "package" does) for packages
# in Debian's places, then run `cpack` in the build folder.
include(GNUInstallDirs)

# The Debian changelog is the one place that names the package version: its upstream part must be the
# project's version, its revision becomes the packages' one.
file(STRINGS packaging/changelog zrm_changelog_head LIMIT_COUNT 1)
if(NOT zrm_changelog_head MATCHES "^zrm \\(([^-)]+)-([^)]+)\\) ")
  message(FATAL_ERROR "packaging/changelog: the first line is not \"zrm (VERSION-REVISION) ...\"")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog names version ${CMAKE_MATCH_1}, the project is ${PROJECT_VERSION}")
endif()
set(zrm_debian_revision ${CMAKE_MATCH_2})

# Manual pages and changelogs are installed compressed as Debian has them: at the highest level and
# without the file's name and time in the header, so that two builds give the same bytes.
find_program(ZRM_GZIP gzip REQUIRED)
function(zrm_gzipped source output)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  execute_process(COMMAND ${ZRM_GZIP} -9 -n -c ${CMAKE_CURRENT_SOURCE_DIR}/${source}
                  OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/packaging/${output} COMMAND_ERROR_IS_FATAL ANY)
endfunction()
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/packaging)
zrm_gzipped(packaging/changelog changelog.Debian.gz)
zrm_gzipped(packaging/man/zrm-appserver.1 zrm-appserver.1.gz)
zrm_gzipped(packaging/man/zrm-host.1 zrm-host.1.gz)

# What every Debian package documents about itself under /usr/share/doc/<package>, and the one check
# of Debian's package checker that does not apply to a package never uploaded to Debian.
function(zrm_install_package_notes package component)
  install(FILES packaging/copyright ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  file(CONFIGURE OUTPUT packaging/${package}.lintian-overrides
       CONTENT "# Never uploaded to Debian, so no request-for-packaging bug exists that the first entry could close.\n${package}: initial-upload-closes-no-bugs\n")
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/${package}.lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${package} COMPONENT ${component})
endfunction()

# Installs a target's binary without the compiler's version notes, which Debian's stripping drops too.
function(zrm_install_binary target destination component)
  install(TARGETS ${target} RUNTIME DESTINATION ${destination} COMPONENT ${component}
          LIBRARY DESTINATION ${destination} COMPONENT ${component})
  install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${destination}/$<TARGET_FILE_NAME:${target}>\"
                  COMMAND_ERROR_IS_FATAL ANY)"
          COMPONENT ${component})
endfunction()

set(ZRM_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/zrm CACHE STRING "Where the screen packages are installed")
# Under the prefix /usr the configuration goes to /etc, as Debian has it; under any other prefix it
# stays inside the prefix, so that `cmake --install --prefix DIR` writes nothing outside DIR.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(zrm_config_dir ${CMAKE_INSTALL_FULL_SYSCONFDIR}/default)
else()
  set(zrm_config_dir ${CMAKE_INSTALL_SYSCONFDIR}/default)
endif()
set(zrm_full_package_dir ${CMAKE_INSTALL_PREFIX}/${ZRM_PACKAGE_DIR})

if(TARGET zrm-appserver)
  zrm_install_binary(zrm-appserver ${CMAKE_INSTALL_BINDIR} server)
  configure_file(packaging/server/zrm-appserver.service.in packaging/zrm-appserver.service @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/zrm-appserver.service
          DESTINATION lib/systemd/system COMPONENT server)
  install(FILES packaging/server/zrm-appserver.env DESTINATION ${zrm_config_dir}
          RENAME zrm-appserver COMPONENT server)
  install(FILES README.md docs/server.md docs/protocol.md
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zrm-appserver COMPONENT server)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/zrm-appserver.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT server)
  zrm_install_package_notes(zrm-appserver server)
  # The administrator's settings survive upgrades: dpkg keeps an edited file and asks before
  # replacing it.
  cmake_path(ABSOLUTE_PATH zrm_config_dir BASE_DIRECTORY ${CMAKE_INSTALL_PREFIX} OUTPUT_VARIABLE zrm_env_dir)
  file(CONFIGURE OUTPUT packaging/conffiles CONTENT "${zrm_env_dir}/zrm-appserver\n")
endif()

if(TARGET zrm-host AND TARGET Pkg_Zrm71300)
  zrm_install_binary(zrm-host ${CMAKE_INSTALL_BINDIR} desktop)
  zrm_install_binary(Pkg_Zrm71300 ${ZRM_PACKAGE_DIR} desktop)
  # The package looks for its language resource beside itself.
  install(FILES ${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/Pkg_Zrm71300.en.rcc DESTINATION ${ZRM_PACKAGE_DIR}
          COMPONENT desktop)
  configure_file(packaging/zrm-host.desktop.in packaging/zrm-host.desktop @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/zrm-host.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT desktop)
  install(FILES README.md docs/protocol.md docs/screen.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zrm-desktop COMPONENT desktop)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/zrm-host.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT desktop)
  zrm_install_package_notes(zrm-desktop desktop)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zrm)
set(CPACK_PACKAGE_VENDOR "Equipe ZRM")
set(CPACK_PACKAGE_CONTACT "Equipe ZRM <pacotes@zrm.example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_COMPONENTS_ALL server desktop)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${zrm_debian_revision})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# Stripped binaries in the packages, their debug symbols in zrm-appserver-dbgsym and zrm-desktop-dbgsym
# (found by build id under /usr/lib/debug/.build-id).
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/dbgsym.cmake)
set(CPACK_DEBIAN_PACKAGE_SOURCE zrm)
# Directories the packages create are 0755 whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_SERVER_PACKAGE_NAME zrm-appserver)
set(CPACK_DEBIAN_SERVER_DESCRIPTION
    "application server of the budget calendar (ZRM71300)
Serves the budget calendar (Calendário para Orçamento) to the desktop screens
as JSON-RPC 2.0 over HTTP/1.1, and to browsers as a read-only web page.
The calendar is stored in SQLite, or in PostgreSQL shared by several
instances behind a reverse proxy.
.
The package runs the server as the systemd service zrm-appserver under the
system user zrm, on an SQLite database in /var/lib/zrm-appserver that is kept
when the package is removed or purged. Its settings are in
/etc/default/zrm-appserver.")
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_SOURCE_DIR}/packaging/server/postinst ${CMAKE_CURRENT_SOURCE_DIR}/packaging/server/prerm
    ${CMAKE_CURRENT_SOURCE_DIR}/packaging/server/postrm ${CMAKE_CURRENT_BINARY_DIR}/packaging/conffiles)
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME zrm-desktop)
set(CPACK_DEBIAN_DESKTOP_DESCRIPTION
    "desktop screens of the budget calendar (ZRM71300)
The host zrm-host, a window that loads screen packages, with the package of the
budget calendar (Calendário para Orçamento): the budget phases of a year and
calendar version with their dates and rules, the months where budget
calculations may run, and the timeline of the budget across the months.
.
The screens keep no data of their own: they work on the server of the package
zrm-appserver, on this machine or on another one.")

include(CPack)
