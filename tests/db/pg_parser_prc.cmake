# The PostgreSQL script parser on the function and trigger texts the server writes itself, in a
# database of its own.
add_executable(varnel_pg_parser_prc_db_tests ${CMAKE_CURRENT_SOURCE_DIR}/test_pg_parser_prc_db.cpp)
target_link_libraries(varnel_pg_parser_prc_db_tests PRIVATE varnel_pgdac varnel_mydac varnel_fib
  GTest::gtest GTest::gtest_main)
add_test(NAME varnel_pg_parser_prc_db_tests COMMAND varnel_pg_parser_prc_db_tests)
set_tests_properties(varnel_pg_parser_prc_db_tests PROPERTIES
  FIXTURES_REQUIRED dbservers LABELS db TIMEOUT 300 ENVIRONMENT
  "${QEL_DB_TEST_ENV};LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/lsan.supp"
  RESOURCE_LOCK qel_test_databases)
