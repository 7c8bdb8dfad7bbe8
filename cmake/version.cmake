# Writes the version header: the project version and, in a git checkout, the revision.
# Run at every build (cmake -P) with SOURCE_DIR, OUTPUT and VERSION set; the header is
# rewritten only when its text changes, so a build after a commit recompiles the one file
# that includes it and nothing else.
#
# The revision is that of SOURCE_DIR's own checkout: sources unpacked inside some other
# repository (a home folder kept in git, say) carry no revision rather than a wrong one.

set(revision "")
find_program(KESTREL_GIT git)
if(KESTREL_GIT)
  execute_process(COMMAND "${KESTREL_GIT}" -C "${SOURCE_DIR}" rev-parse --show-toplevel
                  OUTPUT_VARIABLE toplevel OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE status ERROR_QUIET)
  if(status EQUAL 0)
    file(REAL_PATH "${toplevel}" toplevel)
    file(REAL_PATH "${SOURCE_DIR}" source)
    if(toplevel STREQUAL source)
      # No tag is taken, so the name is the abbreviated commit, "-dirty" when the tracked
      # files differ from it.
      execute_process(COMMAND "${KESTREL_GIT}" -C "${SOURCE_DIR}" describe --always --dirty --abbrev=7 "--exclude=*"
                      OUTPUT_VARIABLE revision OUTPUT_STRIP_TRAILING_WHITESPACE
                      RESULT_VARIABLE status ERROR_QUIET)
      if(NOT status EQUAL 0)
        set(revision "")
      endif()
    endif()
  endif()
endif()

set(text "// Written by cmake/version.cmake at build time; not kept in the repository.\n")
string(APPEND text "#pragma once\n")
string(APPEND text "#define KESTREL_VERSION \"${VERSION}\"\n")
string(APPEND text "#define KESTREL_REVISION \"${revision}\"\n")

set(old "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
