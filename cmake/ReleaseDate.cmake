# The release date, written once as YYYY-MM-DD in QUORVANE_RELEASE_DATE, in
# the two other forms its readers want: "December 2026" for the manual pages
# and the About box, and the RFC 5322 date of a Debian change log entry.
string(REGEX MATCH "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$" _date "${QUORVANE_RELEASE_DATE}")
if(NOT _date)
  message(FATAL_ERROR "QUORVANE_RELEASE_DATE must be YYYY-MM-DD, not '${QUORVANE_RELEASE_DATE}'")
endif()
set(_year ${CMAKE_MATCH_1})
math(EXPR _month "${CMAKE_MATCH_2}")
math(EXPR _day "${CMAKE_MATCH_3}")
set(_months January February March April May June July August September October November December)
math(EXPR _monthIndex "${_month} - 1")
list(GET _months ${_monthIndex} _monthName)
string(SUBSTRING ${_monthName} 0 3 _monthShort)
set(QUORVANE_RELEASE_MONTH "${_monthName} ${_year}")

# Zeller's congruence, with January and February counted as months 13 and 14
# of the year before; 0 is Saturday.
set(_m ${_month})
set(_y ${_year})
if(_m LESS 3)
  math(EXPR _m "${_m} + 12")
  math(EXPR _y "${_y} - 1")
endif()
math(EXPR _weekday "(${_day} + (13 * (${_m} + 1)) / 5 + ${_y} % 100 + (${_y} % 100) / 4 + (${_y} / 100) / 4 + 5 * (${_y} / 100)) % 7")
set(_weekdays Sat Sun Mon Tue Wed Thu Fri)
list(GET _weekdays ${_weekday} _weekdayName)
set(QUORVANE_RELEASE_CHANGELOG_DATE "${_weekdayName}, ${CMAKE_MATCH_3} ${_monthShort} ${_year} 12:00:00 +0000")
