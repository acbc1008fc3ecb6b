# The ADO adapter over ODBC against PostgreSQL and MariaDB through their Debian ODBC drivers, and
# the example program's datacompare with an ODBC side.
if(TARGET varnel_ado)
  qel_add_db_test(varnel_ado_db_tests ${CMAKE_CURRENT_LIST_DIR}/test_ado_db.cpp LIBS varnel_ado)
  target_include_directories(varnel_ado_db_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/oledb)
  target_compile_definitions(varnel_ado_db_tests PRIVATE QEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(TARGET varnel_cli)
    target_compile_definitions(varnel_ado_db_tests PRIVATE
      QEL_VARNEL_PROGRAM="$<TARGET_FILE:varnel_cli>")
    add_dependencies(varnel_ado_db_tests varnel_cli)
  endif()
endif()

# An Access file's schema compared into each server by the example program's compare command.
if(TARGET varnel_ado AND TARGET varnel_compare_cmd)
  qel_add_db_test(varnel_access_db_tests ${PROJECT_SOURCE_DIR}/tests/oledb/test_access_db.cpp
    LIBS varnel_ado varnel_compare_cmd)
  target_include_directories(varnel_access_db_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/oledb
    ${CMAKE_CURRENT_LIST_DIR})
  target_compile_definitions(varnel_access_db_tests PRIVATE QEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()
