# SPDX-FileCopyrightText: 2026 planview developers
#
# SPDX-License-Identifier: MIT

# Cross-compiles for 64-bit ARM Linux (Debian's arm64) with Debian's cross toolchain, against the
# arm64 libraries installed beside the host's (multiarch: dpkg --add-architecture arm64):
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
# ./scripts/package arm64 installs all of it and builds the package this way.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# Multiarch: the arm64 headers and libraries sit in the host's own /usr, in aarch64-linux-gnu
# folders, which the compiler and CMake search first; the host's x86-64 libraries under /usr/lib
# would not link, so only programs come from the host.
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
# FindGLUT asks pkg-config first: the host's pkg-config, pointed at the arm64 .pc files only.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
