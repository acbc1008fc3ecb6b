# Checks and defaults the PostgreSQL server spells otherwise than a script: a database built
# from a script compares live with it to no statement, the server's spellings are had in a
# rolled-back transaction that leaves the database as it was, and an expression the server
# cannot store yet is compared as written. Runs pg_dump.
qel_add_db_test(varnel_pg_spelling_db_tests ${CMAKE_CURRENT_SOURCE_DIR}/test_pg_spelling_db.cpp)
target_compile_definitions(varnel_pg_spelling_db_tests PRIVATE
  QEL_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples")
