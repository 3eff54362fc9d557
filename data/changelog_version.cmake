# Fails unless the newest entry of a Debian changelog is for VERSION, the version CMake builds:
# the package's name would otherwise promise a program that is not in it.
#   cmake -D CHANGELOG=debian/changelog -D VERSION=1.0.0 -P changelog_version.cmake
file(STRINGS ${CHANGELOG} top LIMIT_COUNT 1)
if(NOT top MATCHES "^[a-z0-9.+-]+ \\(([^)]+)\\) ")
  message(FATAL_ERROR "${CHANGELOG} does not start with \"name (version) ...\": ${top}")
endif()
# A Debian version is [epoch:]upstream[-revision]; the upstream part is the program's.
set(debian_version ${CMAKE_MATCH_1})
string(REGEX REPLACE "^[0-9]+:" "" upstream ${debian_version})
string(REGEX REPLACE "-[^-]*$" "" upstream ${upstream})
if(NOT upstream STREQUAL VERSION)
  message(FATAL_ERROR "${CHANGELOG} is at ${debian_version}, CMakeLists.txt at ${VERSION}; "
                      "they must agree (a new version needs its entry: dch -v ${VERSION})")
endif()
message(STATUS "${CHANGELOG}: ${debian_version}, the package of ${VERSION}")
