# The InterBase/Firebird dialect end to end on the Firebird server: the catalog read equals the
# script read, isql-fb -x output reads back as its database, the example program's compare
# --execute and extract converge, the golden update runs through the executor, a refused
# statement stops the run, refused logins and missing files are messages, descriptions read
# back. Runs isql-fb.
qel_add_db_test(varnel_fb_dialect_db_tests ${CMAKE_CURRENT_SOURCE_DIR}/test_fb_dialect_db.cpp
  TIMEOUT 600)
target_compile_definitions(varnel_fb_dialect_db_tests PRIVATE
  QEL_FIXTURES_DIR="${PROJECT_SOURCE_DIR}/tests/fixtures")
if(TARGET varnel_cli)
  target_compile_definitions(varnel_fb_dialect_db_tests PRIVATE
    QEL_VARNEL_PROGRAM="$<TARGET_FILE:varnel_cli>")
  add_dependencies(varnel_fb_dialect_db_tests varnel_cli)
else()
  target_compile_definitions(varnel_fb_dialect_db_tests PRIVATE QEL_VARNEL_PROGRAM="varnel")
endif()
