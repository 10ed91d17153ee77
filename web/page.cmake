# SPDX-FileCopyrightText: 2026 planview developers
#
# SPDX-License-Identifier: MIT

# cmake -DTEMPLATE=page.html -DSCRIPT=planview.js -DNOTICES=notices.txt -DVERSION=x.y.z
#       -DPAGE=planview.html -P page.cmake
# Writes the self-contained page: the template with the script and the notices inlined.
cmake_minimum_required(VERSION 3.20)
file(READ ${TEMPLATE} page)
set(fill_VERSION ${VERSION})
file(READ ${SCRIPT} fill_SCRIPT)
file(READ ${NOTICES} fill_NOTICES)
# Inside a script element only "</script" could end it early.
string(FIND "${fill_SCRIPT}" "</script" early)
if(NOT early EQUAL -1)
  message(FATAL_ERROR "${SCRIPT} holds \"</script\" and cannot be inlined")
endif()
foreach(pair "&;&amp;" "<;&lt;" ">;&gt;")
  list(GET pair 0 from)
  list(GET pair 1 to)
  string(REPLACE "${from}" "${to}" fill_NOTICES "${fill_NOTICES}")
endforeach()
# Filled in the order they stand in the template, each where it first appears.
foreach(name VERSION NOTICES SCRIPT)
  string(FIND "${page}" "@${name}@" at)
  string(LENGTH "@${name}@" length)
  string(SUBSTRING "${page}" 0 ${at} before)
  math(EXPR rest "${at} + ${length}")
  string(SUBSTRING "${page}" ${rest} -1 after)
  set(page "${before}${fill_${name}}${after}")
endforeach()
file(WRITE ${PAGE}.part "${page}")
file(RENAME ${PAGE}.part ${PAGE})
