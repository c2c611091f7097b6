# The staged installation the packaging tests share: a fresh `cmake --install` of the build
# into STAGE. Called as cmake -DBUILD=... -DSTAGE=... -P stage.cmake.
file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${STAGE} --strip
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
