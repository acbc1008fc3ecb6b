# The schema-to-script writer on the servers: a PostgreSQL database written out by
# `varnel extract --db` rebuilds the same schema in an empty database (pg_dump compared), and
# roles and grants written by the writer and changed by an update script run on PostgreSQL and
# MariaDB. Runs the example program, psql, pg_dump and the mariadb client.
add_executable(varnel_writer_roundtrip_db_tests ${CMAKE_CURRENT_SOURCE_DIR}/test_writer_roundtrip_db.cpp)
target_link_libraries(varnel_writer_roundtrip_db_tests PRIVATE varnel_pgdac varnel_mydac varnel_fib
  GTest::gtest GTest::gtest_main)
add_test(NAME varnel_writer_roundtrip_db_tests COMMAND varnel_writer_roundtrip_db_tests)
set_tests_properties(varnel_writer_roundtrip_db_tests PROPERTIES
  FIXTURES_REQUIRED dbservers LABELS db TIMEOUT 300 ENVIRONMENT
  "${QEL_DB_TEST_ENV};LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/lsan.supp"
  RESOURCE_LOCK qel_test_databases)
if(TARGET varnel_cli)
  target_compile_definitions(varnel_writer_roundtrip_db_tests PRIVATE
    QEL_VARNEL_PROGRAM="$<TARGET_FILE:varnel_cli>")
  add_dependencies(varnel_writer_roundtrip_db_tests varnel_cli)
else()
  target_compile_definitions(varnel_writer_roundtrip_db_tests PRIVATE QEL_VARNEL_PROGRAM="varnel")
endif()
