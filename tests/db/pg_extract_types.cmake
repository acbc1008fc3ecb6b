# The conversions, domains, types, operators and operator classes of the PostgreSQL catalog
# extractor on the server, as the ordinary owner of a database it makes. One extraction is
# recorded (into the build folder) and replayed through the replay adapter.
qel_add_db_test(varnel_pg_extract_types_db_tests
  ${CMAKE_CURRENT_SOURCE_DIR}/test_pg_extract_types_db.cpp REPLAY)
target_compile_definitions(varnel_pg_extract_types_db_tests PRIVATE
  QEL_BUILD_DIR="${CMAKE_BINARY_DIR}")
