# Build number and source revision for the identification status line, taken from git when the
# project is configured. Outside a git checkout the build number is 0 and the commit 40 zeros.
set(QUILLFEN_BUILD_NUMBER "0")
set(QUILLFEN_COMMIT "0000000000000000000000000000000000000000")

find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --verify HEAD
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                  OUTPUT_VARIABLE git_commit OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE git_commit_result ERROR_QUIET)
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-list --count HEAD
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
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

# Re-run this when the checked-out revision moves, so a rebuild after a commit reports it.
if(EXISTS "${PROJECT_SOURCE_DIR}/.git/HEAD")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/.git/HEAD")
  file(READ "${PROJECT_SOURCE_DIR}/.git/HEAD" git_head)
  if(git_head MATCHES "^ref: ([^\n]+)")
    set(git_ref_file "${PROJECT_SOURCE_DIR}/.git/${CMAKE_MATCH_1}")
    if(EXISTS "${git_ref_file}")
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${git_ref_file}")
    endif()
  endif()
endif()

configure_file(${PROJECT_SOURCE_DIR}/app/BuildInfo.h.in ${PROJECT_BINARY_DIR}/generated/BuildInfo.h @ONLY)
