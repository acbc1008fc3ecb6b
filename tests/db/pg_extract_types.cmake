# The conversions, domains, types, operators and operator classes of the PostgreSQL catalog
# extractor on the server, as the ordinary owner of a database it makes. One extraction is
# recorded (into the build folder) and replayed through the replay adapter.
add_executable(varnel_pg_extract_types_db_tests
  ${CMAKE_CURRENT_SOURCE_DIR}/test_pg_extract_types_db.cpp
  ${PROJECT_SOURCE_DIR}/tests/replay/ReplayAdapter.cpp)
target_include_directories(varnel_pg_extract_types_db_tests PRIVATE
  ${PROJECT_SOURCE_DIR}/tests/replay)
target_link_libraries(varnel_pg_extract_types_db_tests PRIVATE varnel_pgdac varnel_mydac
  varnel_fib GTest::gtest GTest::gtest_main)
target_compile_definitions(varnel_pg_extract_types_db_tests PRIVATE
  QEL_BUILD_DIR="${CMAKE_BINARY_DIR}")
add_test(NAME varnel_pg_extract_types_db_tests COMMAND varnel_pg_extract_types_db_tests)
set_tests_properties(varnel_pg_extract_types_db_tests PROPERTIES
  FIXTURES_REQUIRED dbservers LABELS db TIMEOUT 300 ENVIRONMENT
  "${QEL_DB_TEST_ENV};LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/lsan.supp"
  RESOURCE_LOCK qel_test_databases)
