# A PostgreSQL schema holding every kind the dialect reads (tests/fixtures/pg_complete/), end to
# end on the server: catalog read equals script read, the round trip from an older schema, the
# example program's compare --execute, and the catalog read as an ordinary user. Runs psql and
# pg_dump.
add_executable(varnel_pg_complete_db_tests ${CMAKE_CURRENT_SOURCE_DIR}/test_pg_complete_db.cpp)
target_link_libraries(varnel_pg_complete_db_tests PRIVATE varnel_compare_cmd varnel_pgdac
  varnel_mydac varnel_fib GTest::gtest GTest::gtest_main)
target_compile_definitions(varnel_pg_complete_db_tests PRIVATE
  QEL_FIXTURES_DIR="${PROJECT_SOURCE_DIR}/tests/fixtures")
add_test(NAME varnel_pg_complete_db_tests COMMAND varnel_pg_complete_db_tests)
set_tests_properties(varnel_pg_complete_db_tests PROPERTIES
  FIXTURES_REQUIRED dbservers LABELS db TIMEOUT 300 ENVIRONMENT
  "${QEL_DB_TEST_ENV};LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/lsan.supp"
  RESOURCE_LOCK qel_test_databases)
