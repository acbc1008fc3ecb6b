# The install test: installs the build tree into a fresh prefix, then configures, builds and runs
# the consumer project next to this file against it, as a user of the installed package would,
# and checks the update script it prints. Run by ctest:
#
#   cmake -D BUILD_DIR=... -D WORK_DIR=... -D CXX_COMPILER=... -D GENERATOR=...
#         [-D MAKE_PROGRAM=...] -P run.cmake
#
# The consumer compiles only its own source; the sanitizer runtimes a sanitized build needs at
# link time come from the installed package itself (varnel::varnel's link options).
cmake_minimum_required(VERSION 3.25)

set(prefix ${WORK_DIR}/prefix)
set(consumer ${WORK_DIR}/build)
file(REMOVE_RECURSE ${WORK_DIR})

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)

set(generator_args -G ${GENERATOR})
if(MAKE_PROGRAM)
  list(APPEND generator_args -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM})
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR} -B ${consumer}
  ${generator_args} -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_PREFIX_PATH=${prefix}
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
  COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${consumer} COMMAND_ERROR_IS_FATAL ANY)

# The package found must be the one just installed, not one elsewhere on the machine.
file(STRINGS ${consumer}/CMakeCache.txt found_dir REGEX "^varnel_DIR:")
if(NOT found_dir MATCHES "${prefix}/")
  message(FATAL_ERROR "the consumer found another varnel package: ${found_dir}")
endif()

# Runs a build of compare_scripts on the two scripts next to this file; the update script must
# add the column the master has and the target lacks.
function(check_program program)
  execute_process(COMMAND ${program}
    ${CMAKE_CURRENT_LIST_DIR}/master.sql ${CMAKE_CURRENT_LIST_DIR}/target.sql
    RESULT_VARIABLE result OUTPUT_VARIABLE script)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${program} failed (${result}):\n${script}")
  endif()
  if(NOT script MATCHES "ALTER TABLE [^\n]*customer[^\n]*\n?[^\n]*ADD[^\n]*email")
    message(FATAL_ERROR "${program}: the update script does not add the column email:\n${script}")
  endif()
endfunction()
check_program(${consumer}/compare_scripts)

# The same program through varnel.pc, compiled and linked in one go as a Makefile user would.
find_program(PKG_CONFIG NAMES pkg-config)
if(PKG_CONFIG)
  file(GLOB_RECURSE pc_file ${prefix}/varnel.pc)
  get_filename_component(pc_dir "${pc_file}" DIRECTORY)
  set(ENV{PKG_CONFIG_PATH} "${pc_dir}:$ENV{PKG_CONFIG_PATH}")
  execute_process(COMMAND ${PKG_CONFIG} --cflags --libs varnel
    OUTPUT_VARIABLE pc_flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
  execute_process(COMMAND ${CXX_COMPILER} -std=c++20 ${CMAKE_CURRENT_LIST_DIR}/compare_scripts.cpp
    -o ${WORK_DIR}/compare_scripts_pc ${pc_flags} COMMAND_ERROR_IS_FATAL ANY)
  check_program(${WORK_DIR}/compare_scripts_pc)
endif()
