# SPDX-FileCopyrightText: 2026 planview developers
#
# SPDX-License-Identifier: MIT

# The Windows release archive, planview-<version>-win64.zip: the exe with the README and the
# licence beside it, no folder around them. `cpack -G ZIP` in the build folder writes it.
install(TARGETS planview RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSES/MIT.txt DESTINATION . RENAME LICENSE.txt)

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
