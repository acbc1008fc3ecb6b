# The PostgreSQL script parser on the function and trigger texts the server writes itself, in a
# database of its own.
qel_add_db_test(varnel_pg_parser_prc_db_tests ${CMAKE_CURRENT_SOURCE_DIR}/test_pg_parser_prc_db.cpp)
