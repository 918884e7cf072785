# Finds the Firebird client library and its headers; defines the imported target Firebird::fbclient.
find_library(Firebird_LIBRARY fbclient)
find_path(Firebird_INCLUDE_DIR firebird/Interface.h)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Firebird REQUIRED_VARS Firebird_LIBRARY Firebird_INCLUDE_DIR)
if(Firebird_FOUND AND NOT TARGET Firebird::fbclient)
  add_library(Firebird::fbclient UNKNOWN IMPORTED)
  set_target_properties(Firebird::fbclient PROPERTIES IMPORTED_LOCATION "${Firebird_LIBRARY}"
                                                      INTERFACE_INCLUDE_DIRECTORIES "${Firebird_INCLUDE_DIR}")
endif()
mark_as_advanced(Firebird_LIBRARY Firebird_INCLUDE_DIR)
