# The example program's datacompare command on the three servers, also from an ODBC and an
# Access master: copies of a row in a table without a key, a run the target refuses midway, a
# --key that names no column, a script without large values.
if(TARGET varnel_ado AND TARGET varnel_compare_cmd)
  qel_add_db_test(varnel_datacompare_rows_db_tests
    ${CMAKE_CURRENT_LIST_DIR}/test_datacompare_rows_db.cpp LIBS varnel_ado varnel_compare_cmd)
  target_compile_definitions(varnel_datacompare_rows_db_tests PRIVATE
    QEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()
