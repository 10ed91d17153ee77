# SPDX-FileCopyrightText: 2026 planview developers
#
# SPDX-License-Identifier: MIT

# The Windows release archive, planview-<version>-win64.zip: the exe with the README, the
# licence and, from a MinGW-w64 build on a Linux host, THIRD-PARTY-NOTICES.txt beside it, no
# folder around them. `cpack -G ZIP` in the build folder writes it.
install(TARGETS planview RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSES/MIT.txt DESTINATION . RENAME LICENSE.txt)

# The exe has freeglut and the MinGW-w64 runtime linked in, and their licences ask every copy to
# carry their notices. packaging/windows-notices collects them, from the sources that were used,
# for what the link map says went into the exe; its header says what goes in and why. It reads
# GNU ld's map and asks dpkg where a library comes from, so it runs where ./scripts/build-windows
# does; a native Windows build has no notices file.
if(MINGW AND CMAKE_HOST_UNIX)
  set(PLANVIEW_FREEGLUT_SOURCE_DIR "" CACHE PATH
    "freeglut's source, whose COPYING and file headers go into the notices")
  set(PLANVIEW_FREEGLUT_BUILD_DIR "" CACHE PATH
    "freeglut's build folder, whose dependency files name the sources of each object")
  set(PLANVIEW_MINGW_W64_SOURCE_DIR "" CACHE PATH
    "MinGW-w64's source (at least its runtime and winpthreads licence files)")
  set(map ${PROJECT_BINARY_DIR}/planview.map)
  set(notices ${PROJECT_BINARY_DIR}/THIRD-PARTY-NOTICES.txt)
  target_link_options(planview PRIVATE LINKER:-Map=${map})
  add_custom_command(OUTPUT ${notices}
    COMMAND ${PROJECT_SOURCE_DIR}/packaging/windows-notices --out=${notices} --map=${map}
      --glut=$<TARGET_FILE:${PLANVIEW_GLUT}> --own=$<TARGET_FILE:planview_core>
      --own=${PROJECT_BINARY_DIR}/CMakeFiles/planview.dir
      --freeglut-source=${PLANVIEW_FREEGLUT_SOURCE_DIR}
      --freeglut-build=${PLANVIEW_FREEGLUT_BUILD_DIR}
      --mingw-w64-source=${PLANVIEW_MINGW_W64_SOURCE_DIR}
    DEPENDS planview ${PROJECT_SOURCE_DIR}/packaging/windows-notices
    COMMENT "Collecting the third-party notices of what planview.exe links in"
    VERBATIM)
  add_custom_target(planview_notices ALL DEPENDS ${notices})
  install(FILES ${notices} DESTINATION .)
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(PLANVIEW_WINDOWS_ARCH win64)
else()
  set(PLANVIEW_WINDOWS_ARCH win32)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME planview)
set(CPACK_PACKAGE_VENDOR "planview developers")
set(CPACK_PACKAGE_FILE_NAME planview-${PROJECT_VERSION}-${PLANVIEW_WINDOWS_ARCH})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)
