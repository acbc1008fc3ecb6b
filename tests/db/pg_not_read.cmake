# What the PostgreSQL catalog reader does not read, built on the server: each kind is named in a
# warning and never makes an update drop the target's object, and a column that tables inherit
# is dropped from its parent alone. Runs the example program and psql.
qel_add_db_test(varnel_pg_not_read_db_tests ${CMAKE_CURRENT_SOURCE_DIR}/test_pg_not_read_db.cpp
  TIMEOUT 600)
if(TARGET varnel_cli)
  target_compile_definitions(varnel_pg_not_read_db_tests PRIVATE
    QEL_VARNEL_PROGRAM="$<TARGET_FILE:varnel_cli>")
  add_dependencies(varnel_pg_not_read_db_tests varnel_cli)
else()
  target_compile_definitions(varnel_pg_not_read_db_tests PRIVATE QEL_VARNEL_PROGRAM="varnel")
endif()
