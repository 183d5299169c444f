# Read by CPack before it writes the release zips (CPACK_PROJECT_CONFIG_FILE).
# Every entry of a zip gets the time of the commit that was built, not the
# time its file was made, so that the same commit gives the same zips, byte
# for byte, in any build folder at any time. A SOURCE_DATE_EPOCH that the
# caller sets wins; without it, and outside a Git checkout, the entries keep
# their files' times and the zips are not reproducible. The zip's own date
# fields are in local time, so the zone is fixed as well.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  find_package(Git QUIET)
  if(GIT_FOUND)
    # Any owner of the checkout will do: in a CI container it is often
    # another user than the one who builds.
    execute_process(
      COMMAND "${GIT_EXECUTABLE}" -c safe.directory=* log -1 --format=%ct
      WORKING_DIRECTORY "${CPACK_TAVREL_SOURCE_DIR}"
      OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
      RESULT_VARIABLE git_status ERROR_QUIET)
  endif()
  if(GIT_FOUND AND git_status EQUAL 0 AND commit_time MATCHES "^[0-9]+$")
    set(ENV{SOURCE_DATE_EPOCH} "${commit_time}")
  else()
    message(WARNING "No commit time from Git in ${CPACK_TAVREL_SOURCE_DIR}: the zips' entries keep their files' times")
  endif()
endif()
set(ENV{TZ} UTC0)
