# Catalog extraction while other sessions create and drop objects (PostgreSQL, MariaDB), and a
# Firebird attachment ended from outside in the middle of a transaction.
qel_add_db_test(varnel_concurrent_changes_db_tests
  ${CMAKE_CURRENT_SOURCE_DIR}/test_concurrent_changes_db.cpp)
