# SPDX-FileCopyrightText: 2026 planview developers
#
# SPDX-License-Identifier: MIT

# Removes what the last install from a build folder wrote, as its record
# says (packaging/install-record.cmake), then the folders that install made,
# deepest first and only when empty. The record is deleted last, so a
# second run refuses like a run before any install.
#
#   cmake -DPLANVIEW_RECORD=<build>/install_record.txt -P uninstall.cmake
#
# which is what `cmake --build <build> --target uninstall` runs. The files
# are removed under the DESTDIR the install used; a different DESTDIR in
# the environment is refused rather than guessed at.

if(NOT EXISTS "${PLANVIEW_RECORD}")
  get_filename_component(_folder "${PLANVIEW_RECORD}" DIRECTORY)
  message(FATAL_ERROR "No install is recorded in ${_folder}, so there is nothing to "
    "uninstall: either nothing was installed from this build folder or it was "
    "already uninstalled.")
endif()

file(STRINGS "${PLANVIEW_RECORD}" _lines)
set(_destdir "")
set(_prefix "")
set(_files "")
set(_dirs "")
foreach(_line IN LISTS _lines)
  if(_line MATCHES "^destdir (.*)$")
    set(_destdir "${CMAKE_MATCH_1}")
  elseif(_line MATCHES "^prefix (.*)$")
    set(_prefix "${CMAKE_MATCH_1}")
  elseif(_line MATCHES "^file (.+)$")
    list(APPEND _files "${CMAKE_MATCH_1}")
  elseif(_line MATCHES "^dir (.+)$")
    list(APPEND _dirs "${CMAKE_MATCH_1}")
  else()
    message(FATAL_ERROR "${PLANVIEW_RECORD}: unreadable line '${_line}'")
  endif()
endforeach()

if(NOT "$ENV{DESTDIR}" STREQUAL "" AND NOT "$ENV{DESTDIR}" STREQUAL _destdir)
  message(FATAL_ERROR "The last install from this build folder went to prefix "
    "${_prefix} with DESTDIR '${_destdir}', not DESTDIR '$ENV{DESTDIR}'; nothing "
    "removed. Run the uninstall without DESTDIR, or with the one the install used.")
endif()

foreach(_file IN LISTS _files)
  if(EXISTS "${_file}" OR IS_SYMLINK "${_file}")
    message(STATUS "Removing: ${_file}")
    file(REMOVE "${_file}")
    if(EXISTS "${_file}" OR IS_SYMLINK "${_file}")
      message(FATAL_ERROR "Could not remove ${_file} (no permission?); the record "
        "is kept, so the uninstall can be run again.")
    endif()
  else()
    message(STATUS "Already gone: ${_file}")
  endif()
endforeach()

# Sorted backwards, every folder comes before its parents.
list(SORT _dirs)
list(REVERSE _dirs)
foreach(_dir IN LISTS _dirs)
  if(IS_DIRECTORY "${_dir}" AND NOT IS_SYMLINK "${_dir}")
    file(GLOB _entries LIST_DIRECTORIES true "${_dir}/*" "${_dir}/.*")
    if(_entries STREQUAL "")
      message(STATUS "Removing folder: ${_dir}")
      file(REMOVE_RECURSE "${_dir}")
    else()
      message(STATUS "Keeping folder, not empty: ${_dir}")
    endif()
  endif()
endforeach()

file(REMOVE "${PLANVIEW_RECORD}")
