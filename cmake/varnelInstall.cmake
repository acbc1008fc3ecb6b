# Installation: the libraries, every header under include/varnel/, the example program, the CMake
# package (varnelConfig.cmake with the targets varnel::varnel, varnel::adapterbase, varnel::pgdac,
# varnel::mydac, varnel::fib and varnel::ado) and varnel.pc for pkg-config.
include(CMakePackageConfigHelpers)

set(QEL_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/varnel)
set(QEL_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/varnel)
set(QEL_INSTALL_PKGCONFIGDIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The headers include each other by bare name ("qelTypes.h"), so include/varnel itself is on a
# user's include path, next to include for <varnel/qelVarnel.h>.
target_include_directories(varnel INTERFACE
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
  $<INSTALL_INTERFACE:${QEL_INSTALL_INCLUDEDIR}>)

file(GLOB QEL_INSTALL_HEADERS CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/platform/*.h
  ${PROJECT_SOURCE_DIR}/Common/*/*.h
  ${PROJECT_SOURCE_DIR}/Common/*/*/*.h
  ${PROJECT_SOURCE_DIR}/dialects/*/*.h)
# A unit's <unit>_Int.h holds helpers shared by its sources only; no other header includes it.
list(FILTER QEL_INSTALL_HEADERS EXCLUDE REGEX "_Int\\.h$")
set(QEL_INSTALL_TARGETS varnel)

# The adapters, when this tree has them. Each is a static library that links its client library
# privately; an installed program still needs that library at link time, so the package and
# varnel.pc name it (see varnelConfig.cmake.in).
set(QEL_INSTALL_ADAPTERS)
set(QEL_PC_LIBS)
if(TARGET varnel_adapterbase)
  file(GLOB QEL_ADAPTER_HEADERS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/adapters/*.h)
  list(APPEND QEL_INSTALL_HEADERS ${QEL_ADAPTER_HEADERS})
  foreach(adapter IN ITEMS pgdac mydac fib ado adapterbase)
    set_target_properties(varnel_${adapter} PROPERTIES EXPORT_NAME ${adapter})
    list(APPEND QEL_INSTALL_TARGETS varnel_${adapter})
    string(APPEND QEL_PC_LIBS " -lvarnel_${adapter}")
  endforeach()
  set(QEL_INSTALL_ADAPTERS pgdac mydac fib ado)
  # Requires and Libs, not their .private forms: the libraries are static only, so every link
  # against them is a static link; and `pkg-config --static` would also ask for libpq's own
  # private libraries (-lpgcommon -lpgport), which Debian does not ship.
  set(QEL_PC_REQUIRES "libpq, libmariadb, odbc, libmdb")
  set(QEL_PC_CLIENT_LIBS " -lfbclient")
endif()
string(APPEND QEL_PC_LIBS " -lvarnel${QEL_PC_CLIENT_LIBS}")
if(QEL_SANITIZE)
  string(APPEND QEL_PC_LIBS " -fsanitize=address,undefined")
endif()

install(TARGETS ${QEL_INSTALL_TARGETS} EXPORT varnelTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${QEL_INSTALL_HEADERS} DESTINATION ${QEL_INSTALL_INCLUDEDIR})
if(TARGET varnel_cli)
  install(TARGETS varnel_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(EXPORT varnelTargets NAMESPACE varnel:: FILE varnelTargets.cmake
  DESTINATION ${QEL_INSTALL_CMAKEDIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/varnelConfig.cmake.in
  ${PROJECT_BINARY_DIR}/varnelConfig.cmake
  INSTALL_DESTINATION ${QEL_INSTALL_CMAKEDIR}
  NO_SET_AND_CHECK_MACRO)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/varnelConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/varnelConfig.cmake
              ${PROJECT_BINARY_DIR}/varnelConfigVersion.cmake
  DESTINATION ${QEL_INSTALL_CMAKEDIR})

# varnel.pc finds its prefix from its own folder, so the file stays right under any
# `cmake --install --prefix`.
if(IS_ABSOLUTE ${QEL_INSTALL_PKGCONFIGDIR})
  set(QEL_PC_PREFIX ${CMAKE_INSTALL_PREFIX})
else()
  file(RELATIVE_PATH QEL_PC_TO_PREFIX /root/${QEL_INSTALL_PKGCONFIGDIR} /root)
  string(REGEX REPLACE "/$" "" QEL_PC_TO_PREFIX ${QEL_PC_TO_PREFIX})
  set(QEL_PC_PREFIX "\${pcfiledir}/${QEL_PC_TO_PREFIX}")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/varnel.pc.in ${PROJECT_BINARY_DIR}/varnel.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/varnel.pc DESTINATION ${QEL_INSTALL_PKGCONFIGDIR})
