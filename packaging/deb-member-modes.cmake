# SPDX-FileCopyrightText: 2026 planview developers
#
# SPDX-License-Identifier: MIT

# Run by CPack after it wrote the .deb (CPACK_POST_BUILD_SCRIPTS). A .deb is
# an ar archive of debian-binary, control.tar.* and data.tar.*; CPack gives
# each member the mode its temporary file got from the umask (0600 under
# umask 077), so the same package would differ by umask. This sets every
# member's mode to 0644 in place. dpkg ignores these modes.

foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  file(READ "${deb}" magic LIMIT 8)
  if(NOT magic STREQUAL "!<arch>\n")
    message(FATAL_ERROR "${deb} is not an ar archive")
  endif()
  file(SIZE "${deb}" size)
  set(mode_file "${deb}.mode")
  file(WRITE "${mode_file}" "100644  ")
  # Each member: a 60-byte text header (name 16, date 12, uid 6, gid 6,
  # mode 8, size 10, "`\n"), then its data, padded to an even length.
  set(offset 8)
  while(offset LESS size)
    file(READ "${deb}" header OFFSET ${offset} LIMIT 60)
    string(LENGTH "${header}" header_length)
    if(header_length EQUAL 60)
      string(SUBSTRING "${header}" 40 8 mode)
      string(SUBSTRING "${header}" 48 10 length)
      string(SUBSTRING "${header}" 58 2 end)
      string(STRIP "${length}" length)
    endif()
    if(NOT header_length EQUAL 60 OR NOT end STREQUAL "`\n" OR NOT length MATCHES "^[0-9]+$")
      message(FATAL_ERROR "${deb}: no ar member header at byte ${offset}")
    endif()
    if(NOT mode STREQUAL "100644  ")
      math(EXPR at "${offset} + 40")
      execute_process(COMMAND dd "of=${deb}" bs=1 seek=${at} conv=notrunc status=none
        INPUT_FILE "${mode_file}" COMMAND_ERROR_IS_FATAL ANY)
    endif()
    math(EXPR offset "${offset} + 60 + ${length} + ${length} % 2")
  endwhile()
  file(REMOVE "${mode_file}")
endforeach()
