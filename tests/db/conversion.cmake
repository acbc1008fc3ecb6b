# A PostgreSQL master converted for MariaDB and Firebird: the update script and the schema
# script of the converted example schema run on the servers, each in a database of its own.
qel_add_db_test(varnel_conversion_db_tests ${CMAKE_CURRENT_SOURCE_DIR}/test_conversion_db.cpp)
target_compile_definitions(varnel_conversion_db_tests PRIVATE
  QEL_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples")
