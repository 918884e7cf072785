# API reference of the public headers a host uses: cmake --build build --target docs. Doxygen's
# warnings are errors, so an undocumented class of those headers fails the target.
find_package(Doxygen QUIET)
if(DOXYGEN_FOUND)
  configure_file(${PROJECT_SOURCE_DIR}/docs/Doxyfile.in ${PROJECT_BINARY_DIR}/Doxyfile @ONLY)
  add_custom_target(docs COMMAND Doxygen::doxygen ${PROJECT_BINARY_DIR}/Doxyfile
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} COMMENT "API reference in ${PROJECT_BINARY_DIR}/docs/html"
                    VERBATIM)
endif()
