# Included by cpack before it builds the package (CPACK_PROJECT_CONFIG_FILE).
# Every time stamp in the package is SOURCE_DATE_EPOCH: the caller's if set,
# else the time of the last commit, else (a tree without git) the date of the
# newest changelog entry. So the package is the same whenever it is built.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(rf_epoch "")
  find_program(rf_git git)
  if(rf_git)
    # safe.directory: under sudo the tree may belong to someone else.
    execute_process(
      COMMAND ${rf_git} -c safe.directory=* -C ${CPACK_RF_SOURCE_DIR} rev-parse --show-toplevel
      OUTPUT_VARIABLE rf_top OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE rf_status)
    # Only a repository of this tree itself, not one it happens to lie in.
    if(rf_status EQUAL 0 AND rf_top STREQUAL CPACK_RF_SOURCE_DIR)
      execute_process(
        COMMAND ${rf_git} -c safe.directory=* -C ${CPACK_RF_SOURCE_DIR} log -1 --format=%ct
        OUTPUT_VARIABLE rf_epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    endif()
  endif()
  if(NOT rf_epoch MATCHES "^[0-9]+$")
    file(STRINGS ${CPACK_RF_SOURCE_DIR}/packaging/changelog rf_trailer REGEX "^ -- " LIMIT_COUNT 1)
    string(REGEX REPLACE "^ -- .*>  " "" rf_date "${rf_trailer}")
    execute_process(COMMAND date -u -d "${rf_date}" +%s
      OUTPUT_VARIABLE rf_epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rf_status)
    if(NOT rf_status EQUAL 0 OR NOT rf_epoch MATCHES "^[0-9]+$")
      message(FATAL_ERROR "no SOURCE_DATE_EPOCH: no git history and no date in packaging/changelog")
    endif()
  endif()
  # cpack itself and every tool it runs read it from the environment.
  set(ENV{SOURCE_DATE_EPOCH} ${rf_epoch})
endif()
