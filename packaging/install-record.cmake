# SPDX-FileCopyrightText: 2026 planview developers
#
# SPDX-License-Identifier: MIT

# Run by the install script (cmake --install, and CPack's install into its
# staging folder) twice: with PLANVIEW_RECORD_STEP "begin" before anything
# is installed, to note which of the install's folders do not exist yet,
# and "end" after everything, to give those folders mode 0755 and to write
# PLANVIEW_RECORD: the DESTDIR and prefix used, every file written and every
# folder made. packaging/uninstall.cmake reads it back.
#
# Expects PLANVIEW_RECORD and, for "begin", PLANVIEW_INSTALL_DIRS (the
# install's destination folders, relative to the prefix or absolute).
# CPack's staging is not an install on this machine: it leaves the record
# alone.

set(_planview_root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")

if(PLANVIEW_RECORD_STEP STREQUAL "begin")
  set(PLANVIEW_RECORDING ON)
  if(_planview_root MATCHES "/_CPack_Packages/")
    set(PLANVIEW_RECORDING OFF)
  elseif(EXISTS "${PLANVIEW_RECORD}")
    file(STRINGS "${PLANVIEW_RECORD}" _planview_old REGEX "^(destdir|prefix) ")
    if(NOT _planview_old STREQUAL "destdir $ENV{DESTDIR};prefix ${CMAKE_INSTALL_PREFIX}")
      string(REPLACE ";" ", " _planview_old "${_planview_old}")
      message(WARNING "This build folder's previous install (${_planview_old}) will "
        "no longer be recorded, so its uninstall target cannot remove it any more. "
        "Use one build folder per install prefix.")
    endif()
  endif()
  set(PLANVIEW_MADE_DIRS "")
  foreach(_planview_dir IN LISTS PLANVIEW_INSTALL_DIRS)
    if(IS_ABSOLUTE "${_planview_dir}")
      set(_planview_dir "$ENV{DESTDIR}${_planview_dir}")
    else()
      set(_planview_dir "${_planview_root}/${_planview_dir}")
    endif()
    # This folder and each missing parent are made by this install.
    while(NOT EXISTS "${_planview_dir}" AND NOT _planview_dir STREQUAL "")
      list(APPEND PLANVIEW_MADE_DIRS "${_planview_dir}")
      get_filename_component(_planview_dir "${_planview_dir}" DIRECTORY)
    endwhile()
  endforeach()
  list(REMOVE_DUPLICATES PLANVIEW_MADE_DIRS)
elseif(PLANVIEW_RECORD_STEP STREQUAL "end")
  # CMake makes folders with mkdir's mode 0755, which the umask cuts down
  # (to 0700 under umask 077). In CPack's staging folder every folder is the
  # package's, the prefix (made by CPack itself) included.
  set(_planview_dirs ${PLANVIEW_MADE_DIRS})
  if(NOT PLANVIEW_RECORDING)
    string(REGEX MATCH "^.*/_CPack_Packages/[^/]+/[^/]+/[^/]+" _planview_staging
      "${_planview_root}")
    file(GLOB_RECURSE _planview_dirs LIST_DIRECTORIES true "${_planview_staging}/*")
    list(APPEND _planview_dirs "${_planview_staging}")
  endif()
  foreach(_planview_dir IN LISTS _planview_dirs)
    if(IS_DIRECTORY "${_planview_dir}")
      file(CHMOD "${_planview_dir}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE
        OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    endif()
  endforeach()
  if(NOT PLANVIEW_RECORDING)
    return()
  endif()
  set(_planview_text "destdir $ENV{DESTDIR}\nprefix ${CMAKE_INSTALL_PREFIX}\n")
  foreach(_planview_file IN LISTS CMAKE_INSTALL_MANIFEST_FILES)
    string(APPEND _planview_text "file $ENV{DESTDIR}${_planview_file}\n")
  endforeach()
  foreach(_planview_dir IN LISTS PLANVIEW_MADE_DIRS)
    string(APPEND _planview_text "dir ${_planview_dir}\n")
  endforeach()
  file(WRITE "${PLANVIEW_RECORD}" "${_planview_text}")
else()
  message(FATAL_ERROR "PLANVIEW_RECORD_STEP is neither begin nor end")
endif()
