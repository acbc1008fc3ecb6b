# A live comparison of two PostgreSQL databases that reads the master's catalog on a second
# connection while the target's is read: the same events, messages and script as reading one
# after the other, and failures, cancels and handlers between the reads ending as they do then.
qel_add_db_test(varnel_pg_read_ahead_db_tests
  ${CMAKE_CURRENT_SOURCE_DIR}/test_pg_read_ahead_db.cpp)
# It starts threads: the ThreadSanitizer build runs it too.
set_property(TEST varnel_pg_read_ahead_db_tests APPEND PROPERTY LABELS threads)
