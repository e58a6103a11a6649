# Run by cpack on the staged files before it packs them
# (CPACK_PRE_BUILD_SCRIPTS). Folders made on the way take the umask, whatever
# CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS says; the package's are 0755.
file(GLOB_RECURSE rf_dirs LIST_DIRECTORIES true ${CPACK_TEMPORARY_DIRECTORY}/*)
foreach(dir IN LISTS rf_dirs)
  if(IS_DIRECTORY ${dir} AND NOT IS_SYMLINK ${dir})
    file(CHMOD ${dir} DIRECTORY_PERMISSIONS
      OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
