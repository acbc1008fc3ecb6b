# A PostgreSQL master converted for MariaDB and Firebird: the update script and the schema
# script of the converted example schema run on the servers, each in a database of its own.
add_executable(varnel_conversion_db_tests ${CMAKE_CURRENT_SOURCE_DIR}/test_conversion_db.cpp)
target_link_libraries(varnel_conversion_db_tests PRIVATE varnel_pgdac varnel_mydac varnel_fib
  GTest::gtest GTest::gtest_main)
target_compile_definitions(varnel_conversion_db_tests PRIVATE
  QEL_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples")
add_test(NAME varnel_conversion_db_tests COMMAND varnel_conversion_db_tests)
set_tests_properties(varnel_conversion_db_tests PROPERTIES
  FIXTURES_REQUIRED dbservers LABELS db TIMEOUT 300 ENVIRONMENT
  "${QEL_DB_TEST_ENV};LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/lsan.supp"
  RESOURCE_LOCK qel_test_databases)
