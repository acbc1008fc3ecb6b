# Runs that meet a connection ended from outside (PostgreSQL, MariaDB, Firebird) and update
# scripts the server refuses half way, through the executor, the table data comparer and the
# example program. Runs pg_dump.
qel_add_db_test(varnel_lost_connection_db_tests ${CMAKE_CURRENT_SOURCE_DIR}/test_lost_connection_db.cpp)
if(TARGET varnel_cli)
  target_compile_definitions(varnel_lost_connection_db_tests PRIVATE
    QEL_VARNEL_PROGRAM="$<TARGET_FILE:varnel_cli>")
  add_dependencies(varnel_lost_connection_db_tests varnel_cli)
endif()
