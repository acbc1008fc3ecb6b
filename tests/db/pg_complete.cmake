# A PostgreSQL schema holding every kind the dialect reads (tests/fixtures/pg_complete/), end to
# end on the server: catalog read equals script read, the round trip from an older schema, the
# example program's compare --execute, and the catalog read as an ordinary user. Runs psql and
# pg_dump.
qel_add_db_test(varnel_pg_complete_db_tests ${CMAKE_CURRENT_SOURCE_DIR}/test_pg_complete_db.cpp
  LIBS varnel_compare_cmd)
target_compile_definitions(varnel_pg_complete_db_tests PRIVATE
  QEL_FIXTURES_DIR="${PROJECT_SOURCE_DIR}/tests/fixtures")
