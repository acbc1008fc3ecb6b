# The schema-to-script writer on the servers: a PostgreSQL database written out by
# `varnel extract --db` rebuilds the same schema in an empty database (pg_dump compared), and
# roles and grants written by the writer and changed by an update script run on PostgreSQL and
# MariaDB. Runs the example program, psql, pg_dump and the mariadb client.
qel_add_db_test(varnel_writer_roundtrip_db_tests ${CMAKE_CURRENT_SOURCE_DIR}/test_writer_roundtrip_db.cpp)
if(TARGET varnel_cli)
  target_compile_definitions(varnel_writer_roundtrip_db_tests PRIVATE
    QEL_VARNEL_PROGRAM="$<TARGET_FILE:varnel_cli>")
  add_dependencies(varnel_writer_roundtrip_db_tests varnel_cli)
else()
  target_compile_definitions(varnel_writer_roundtrip_db_tests PRIVATE QEL_VARNEL_PROGRAM="varnel")
endif()
