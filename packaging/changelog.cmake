# SPDX-FileCopyrightText: 2026 planview developers
#
# SPDX-License-Identifier: MIT

# Turns CHANGELOG.md into the Debian changelog that lintian reads in the
# package (a native package's usr/share/doc/<name>/changelog.gz), and tells
# the caller the newest release's version and date.
#
#   planview_debian_changelog(<CHANGELOG.md> <output> <package> <maintainer>)
#
# sets PLANVIEW_RELEASE_VERSION and PLANVIEW_RELEASE_DATE (YYYY-MM-DD) in
# the caller. Stops the configure with the offending line when CHANGELOG.md
# leaves the shape it describes, or when its releases do not get newer
# upwards (lintian rejects a newest entry that is not the latest).

# Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's
# days_from_civil, integers only).
function(_planview_days_from_civil year month day out)
  if(month LESS_EQUAL 2)
    math(EXPR year "${year} - 1")
    math(EXPR shifted "${month} + 9")
  else()
    math(EXPR shifted "${month} - 3")
  endif()
  math(EXPR era "${year} / 400")
  math(EXPR year_of_era "${year} - ${era} * 400")
  math(EXPR day_of_year "(153 * ${shifted} + 2) / 5 + ${day} - 1")
  math(EXPR day_of_era
    "${year_of_era} * 365 + ${year_of_era} / 4 - ${year_of_era} / 100 + ${day_of_year}")
  math(EXPR days "${era} * 146097 + ${day_of_era} - 719468")
  set(${out} ${days} PARENT_SCOPE)
endfunction()

function(planview_debian_changelog changelog output package maintainer)
  set(weekdays Thu Fri Sat Sun Mon Tue Wed)  # 1970-01-01 was a Thursday
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  file(STRINGS "${changelog}" lines ENCODING UTF-8)
  set(text "")
  set(entry "")
  set(version "")
  set(newest_version "")
  set(newest_date "")
  set(previous_minutes "")
  set(number 0)
  # A sentinel heading closes the last release like any other.
  foreach(line IN LISTS lines ITEMS "## end")
    math(EXPR number "${number} + 1")
    string(LENGTH "${line}" length)
    if(length GREATER 78)
      message(FATAL_ERROR "${changelog}:${number}: longer than 78 characters")
    endif()
    if(line MATCHES "^## ")
      if(NOT version STREQUAL "")
        if(entry STREQUAL "")
          message(FATAL_ERROR "${changelog}: release ${version} lists no change")
        endif()
        string(APPEND text "${package} (${version}) unstable; urgency=medium\n\n"
          "${entry}\n -- ${maintainer}  ${stamp}\n\n")
      endif()
      if(line STREQUAL "## end")
        break()
      endif()
      if(NOT line MATCHES
          "^## ([0-9]+\\.[0-9]+\\.[0-9]+) - ([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])( ([0-9][0-9]):([0-9][0-9]))?$")
        message(FATAL_ERROR
          "${changelog}:${number}: not a '## VERSION - YYYY-MM-DD [HH:MM]' heading")
      endif()
      set(version ${CMAKE_MATCH_1})
      set(date "${CMAKE_MATCH_2}-${CMAKE_MATCH_3}-${CMAKE_MATCH_4}")
      set(hour_text 00)
      set(minute_text 00)
      if(CMAKE_MATCH_5)
        set(hour_text ${CMAKE_MATCH_6})
        set(minute_text ${CMAKE_MATCH_7})
      endif()
      set(day_text ${CMAKE_MATCH_4})
      set(year_text ${CMAKE_MATCH_2})
      # Through "1" prefixes: math() must not see leading zeros.
      math(EXPR year "1${CMAKE_MATCH_2} - 10000")
      math(EXPR month "1${CMAKE_MATCH_3} - 100")
      math(EXPR day "1${CMAKE_MATCH_4} - 100")
      math(EXPR hour "1${hour_text} - 100")
      math(EXPR minute "1${minute_text} - 100")
      if(month LESS 1 OR month GREATER 12 OR day LESS 1 OR day GREATER 31 OR
          hour GREATER 23 OR minute GREATER 59)
        message(FATAL_ERROR "${changelog}:${number}: no such date or time")
      endif()
      _planview_days_from_civil(${year} ${month} ${day} days)
      math(EXPR minutes "${days} * 1440 + ${hour} * 60 + ${minute}")
      if(NOT previous_minutes STREQUAL "" AND NOT minutes LESS previous_minutes)
        message(FATAL_ERROR "${changelog}:${number}: release ${version} is not "
          "older than the release above it; give each release its own time")
      endif()
      set(previous_minutes ${minutes})
      math(EXPR weekday "(${days} % 7 + 7) % 7")
      list(GET weekdays ${weekday} weekday_name)
      math(EXPR month_index "${month} - 1")
      list(GET months ${month_index} month_name)
      set(stamp
        "${weekday_name}, ${day_text} ${month_name} ${year_text} ${hour_text}:${minute_text}:00 +0000")
      if(newest_version STREQUAL "")
        set(newest_version ${version})
        set(newest_date ${date})
      endif()
      set(entry "")
    elseif(version STREQUAL "" OR line STREQUAL "")
      # The title and the text above the first release; blank lines.
    elseif(line MATCHES "^- (.+)$")
      string(APPEND entry "  * ${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "^  ([^ ].*)$" AND NOT entry STREQUAL "")
      string(APPEND entry "    ${CMAKE_MATCH_1}\n")
    else()
      message(FATAL_ERROR "${changelog}:${number}: neither a '- ' item nor its "
        "continuation indented by two spaces")
    endif()
  endforeach()
  if(newest_version STREQUAL "")
    message(FATAL_ERROR "${changelog}: no release")
  endif()
  # Copied over the output only when it changes, so an unchanged changelog
  # rebuilds nothing.
  file(WRITE "${output}.new" "${text}")
  configure_file("${output}.new" "${output}" COPYONLY)
  set(PLANVIEW_RELEASE_VERSION ${newest_version} PARENT_SCOPE)
  set(PLANVIEW_RELEASE_DATE ${newest_date} PARENT_SCOPE)
endfunction()
