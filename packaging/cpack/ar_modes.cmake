# Run by cpack on the finished package (CPACK_POST_BUILD_SCRIPTS). cpack
# copies the mode of debian-binary, control.tar.* and data.tar.* as it made
# them, under the umask, into the ar headers; dpkg-deb writes 100644 there,
# and so do we. Each header is 60 bytes: the mode is 8 at offset 40, the size
# 10 at offset 48; members are padded to an even length.
file(WRITE ${CPACK_TOPLEVEL_DIRECTORY}/ar-mode "100644  ")
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  file(SIZE ${deb} size)
  file(READ ${deb} magic LIMIT 8)
  if(NOT magic STREQUAL "!<arch>\n")
    message(FATAL_ERROR "${deb} is not an ar archive")
  endif()
  set(offset 8)
  while(offset LESS size)
    file(READ ${deb} header OFFSET ${offset} LIMIT 60)
    string(SUBSTRING "${header}" 48 10 member_size)
    string(SUBSTRING "${header}" 58 2 end)
    string(STRIP "${member_size}" member_size)
    if(NOT end STREQUAL "`\n" OR NOT member_size MATCHES "^[0-9]+$")
      message(FATAL_ERROR "${deb}: no ar member header at offset ${offset}")
    endif()
    math(EXPR mode_at "${offset} + 40")
    execute_process(COMMAND dd of=${deb} bs=1 seek=${mode_at} conv=notrunc status=none
      INPUT_FILE ${CPACK_TOPLEVEL_DIRECTORY}/ar-mode COMMAND_ERROR_IS_FATAL ANY)
    math(EXPR offset "${offset} + 60 + ${member_size} + ${member_size} % 2")
  endwhile()
endforeach()
