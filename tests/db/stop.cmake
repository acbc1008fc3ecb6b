# The example program stopped by SIGINT and SIGTERM while its server does not answer, and URIs
# whose port nothing listens on (PostgreSQL, MariaDB, Firebird).
qel_add_db_test(varnel_stop_db_tests ${CMAKE_CURRENT_SOURCE_DIR}/test_stop_db.cpp TIMEOUT 600)
if(TARGET varnel_cli)
  target_compile_definitions(varnel_stop_db_tests PRIVATE
    QEL_VARNEL_PROGRAM="$<TARGET_FILE:varnel_cli>")
  add_dependencies(varnel_stop_db_tests varnel_cli)
else()
  target_compile_definitions(varnel_stop_db_tests PRIVATE QEL_VARNEL_PROGRAM="varnel")
endif()
