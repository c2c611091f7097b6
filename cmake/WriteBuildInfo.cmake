# Writes BuildInfo.h from git: the number of commits as the build number and the 40-digit
# revision. Outside a git checkout the build number is 0 and the commit 40 zeros.
set(QUILLFEN_RELEASE "${RELEASE}")
set(QUILLFEN_BUILD_NUMBER "0")
set(QUILLFEN_COMMIT "0000000000000000000000000000000000000000")

find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --verify HEAD
                  WORKING_DIRECTORY ${SOURCE_DIR}
                  OUTPUT_VARIABLE git_commit OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE git_commit_result ERROR_QUIET)
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-list --count HEAD
                  WORKING_DIRECTORY ${SOURCE_DIR}
                  OUTPUT_VARIABLE git_count OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE git_count_result ERROR_QUIET)
  if(git_commit_result EQUAL 0 AND git_commit MATCHES "^[0-9a-f]+$")
    string(LENGTH "${git_commit}" git_commit_length)
    if(git_commit_length EQUAL 40)
      set(QUILLFEN_COMMIT "${git_commit}")
    endif()
  endif()
  if(git_count_result EQUAL 0 AND git_count MATCHES "^[0-9]+$")
    set(QUILLFEN_BUILD_NUMBER "${git_count}")
  endif()
endif()

configure_file(${SOURCE_DIR}/app/BuildInfo.h.in ${OUTPUT} @ONLY)
