# Run by CPack once the packages are made: completes each debug symbol package the way Debian's
# own are, which CPack leaves short of that. Its md5sums name the files by their paths in the
# packaging folder, its symbol files carry the executable bit, and it has no documentation folder;
# Debian's link theirs to the documentation of the package whose symbols they hold.
foreach(package_file IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package_file MATCHES "/(([^/_]+)-dbgsym)_[^/]+\\.ddeb$")
    continue()
  endif()
  set(package ${CMAKE_MATCH_1})
  set(described ${CMAKE_MATCH_2})
  set(tree ${package_file}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb --raw-extract ${package_file} ${tree} COMMAND_ERROR_IS_FATAL ANY)

  file(MAKE_DIRECTORY ${tree}/usr/share/doc)
  file(CREATE_LINK ${described} ${tree}/usr/share/doc/${package} SYMBOLIC)
  file(GLOB_RECURSE symbol_files LIST_DIRECTORIES false RELATIVE ${tree} ${tree}/usr/lib/debug/*)
  set(sums "")
  foreach(symbol_file IN LISTS symbol_files)
    file(CHMOD ${tree}/${symbol_file} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    file(MD5 ${tree}/${symbol_file} sum)
    string(APPEND sums "${sum}  ${symbol_file}\n")
  endforeach()
  file(WRITE ${tree}/DEBIAN/md5sums "${sums}")

  execute_process(COMMAND dpkg-deb --root-owner-group --build ${tree} ${package_file}
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${tree})
endforeach()
