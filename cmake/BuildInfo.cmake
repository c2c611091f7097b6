# The identification line reports the build number and source revision. They are taken from
# git on every build (not only at configure time), so a commit made after configuring is
# still reported correctly; the header is rewritten only when a value changed.
add_custom_target(quillfen_build_info
  COMMAND ${CMAKE_COMMAND}
          -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
          -DOUTPUT=${PROJECT_BINARY_DIR}/generated/BuildInfo.h
          -DRELEASE=${QUILLFEN_RELEASE}
          -P ${PROJECT_SOURCE_DIR}/cmake/WriteBuildInfo.cmake
  BYPRODUCTS ${PROJECT_BINARY_DIR}/generated/BuildInfo.h
  COMMENT "Reading the source revision"
  VERBATIM)
