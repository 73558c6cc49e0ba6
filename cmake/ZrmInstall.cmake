# What `cmake --install` puts where, and the Debian packages CPack makes of it:
#
#   zrm-appserver (component server): the application server, a systemd unit that runs
#       `zrm-appserver serve` as the system user zrm on an SQLite database under
#       /var/lib/zrm-appserver, configured by the environment file <sysconfdir>/default/zrm-appserver;
#   zrm-desktop (component desktop): the host, the screen package with its language resource, and a
#       desktop entry that opens the screen.
#
# Each package carries the documentation. The paths follow CMAKE_INSTALL_PREFIX, and the unit and the
# desktop entry name the configured prefix's paths; configure with -DCMAKE_INSTALL_PREFIX=/usr for
# packages in Debian's places, then run `cpack` in the build folder.
include(GNUInstallDirs)

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
  install(TARGETS zrm-appserver RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT server)
  configure_file(packaging/server/zrm-appserver.service.in packaging/zrm-appserver.service @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/zrm-appserver.service
          DESTINATION lib/systemd/system COMPONENT server)
  install(FILES packaging/server/zrm-appserver.env DESTINATION ${zrm_config_dir}
          RENAME zrm-appserver COMPONENT server)
  install(FILES README.md docs/server.md docs/protocol.md
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zrm-appserver COMPONENT server)
endif()

if(TARGET zrm-host AND TARGET Pkg_Zrm71300)
  install(TARGETS zrm-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT desktop)
  install(TARGETS Pkg_Zrm71300 LIBRARY DESTINATION ${ZRM_PACKAGE_DIR} COMPONENT desktop)
  # The package looks for its language resource beside itself.
  install(FILES ${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/Pkg_Zrm71300.en.rcc DESTINATION ${ZRM_PACKAGE_DIR}
          COMPONENT desktop)
  configure_file(packaging/zrm-host.desktop.in packaging/zrm-host.desktop @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/zrm-host.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT desktop)
  install(FILES README.md docs/protocol.md docs/screen.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zrm-desktop COMPONENT desktop)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zrm)
set(CPACK_PACKAGE_VENDOR "Equipe ZRM")
set(CPACK_PACKAGE_CONTACT "Equipe ZRM <zrm@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Calendário para Orçamento (ZRM71300)")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_COMPONENTS_ALL server desktop)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)

set(CPACK_DEBIAN_SERVER_PACKAGE_NAME zrm-appserver)
set(CPACK_COMPONENT_SERVER_DESCRIPTION
    "Servidor de aplicação do Calendário para Orçamento: JSON-RPC sobre HTTP, SQLite ou PostgreSQL")
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_SOURCE_DIR}/packaging/server/postinst ${CMAKE_CURRENT_SOURCE_DIR}/packaging/server/prerm
    ${CMAKE_CURRENT_SOURCE_DIR}/packaging/server/postrm)
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME zrm-desktop)
set(CPACK_COMPONENT_DESKTOP_DESCRIPTION
    "Área de trabalho do Calendário para Orçamento: o host e o pacote de telas ZRM71300")

include(CPack)
