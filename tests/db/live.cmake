# Runs against servers other sessions use meanwhile: a hostless URI refused by the example
# program, extractions while a second session drops and creates tables (each script written is
# run into an empty database), and large MariaDB and Firebird tables compared a block at a time.
qel_add_db_test(varnel_live_db_tests ${CMAKE_CURRENT_SOURCE_DIR}/test_live_db.cpp TIMEOUT 600)
if(TARGET varnel_cli)
  target_compile_definitions(varnel_live_db_tests PRIVATE
    QEL_VARNEL_PROGRAM="$<TARGET_FILE:varnel_cli>")
  add_dependencies(varnel_live_db_tests varnel_cli)
else()
  target_compile_definitions(varnel_live_db_tests PRIVATE QEL_VARNEL_PROGRAM="varnel")
endif()
