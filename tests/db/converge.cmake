# Schema-change pairs of tests/fixtures/converge/ judged on the PostgreSQL and MariaDB servers as a
# user would: the update script runs and reaches the master, a live update leaves nothing for a
# second comparison, and the extracted master rebuilds itself. Runs the example program, psql,
# pg_dump, mariadb and mariadb-dump.
qel_add_db_test(varnel_converge_db_tests ${CMAKE_CURRENT_SOURCE_DIR}/test_converge_db.cpp
  TIMEOUT 600)
target_compile_definitions(varnel_converge_db_tests PRIVATE
  QEL_FIXTURES_DIR="${PROJECT_SOURCE_DIR}/tests/fixtures")
if(TARGET varnel_cli)
  target_compile_definitions(varnel_converge_db_tests PRIVATE
    QEL_VARNEL_PROGRAM="$<TARGET_FILE:varnel_cli>")
  add_dependencies(varnel_converge_db_tests varnel_cli)
else()
  target_compile_definitions(varnel_converge_db_tests PRIVATE QEL_VARNEL_PROGRAM="varnel")
endif()
