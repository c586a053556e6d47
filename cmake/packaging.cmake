# Installation and packages: the two libraries with their headers, the CMake
# package ZRLShared (imported targets ZRLShared::ZRLShared and
# ZRLShared::utf8fs), the pkg-config files zrlshared.pc and utf8fs.pc, and the
# sample tools as programs.  CPack makes a Debian package on Linux and a ZIP
# on Windows.  Tests, GoogleTest, benchmarks and fuzzers are not installed.
include(CMakePackageConfigHelpers)

set(ZRL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/ZRLShared)

# Installed, ZRLShared finds utf8fs beside itself and the tools find both in
# ../lib, so an install tree or an unpacked package runs wherever it lies.
set_target_properties(ZRLShared PROPERTIES INSTALL_RPATH $ORIGIN)
file(RELATIVE_PATH zrl_lib_from_bin /${CMAKE_INSTALL_BINDIR} /${CMAKE_INSTALL_LIBDIR})
foreach(tool IN LISTS ZRL_SAMPLE_TOOLS)
    set_target_properties(${tool} PROPERTIES INSTALL_RPATH $ORIGIN/${zrl_lib_from_bin})
endforeach()

install(TARGETS ZRLShared utf8fs EXPORT ZRLSharedTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES include/zrlshared.h include/utf8fs.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# The tools, and the plug-ins that a tool loads from its own directory.
if(ZRL_SAMPLE_TOOLS)
    install(TARGETS ${ZRL_SAMPLE_TOOLS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(ZRL_SAMPLE_PLUGINS)
    install(TARGETS ${ZRL_SAMPLE_PLUGINS} LIBRARY DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(EXPORT ZRLSharedTargets NAMESPACE ZRLShared:: DESTINATION ${ZRL_CMAKE_DIR})
configure_package_config_file(cmake/package/ZRLSharedConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/ZRLSharedConfig.cmake
                              INSTALL_DESTINATION ${ZRL_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ZRLSharedConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ZRLSharedConfig.cmake
              ${PROJECT_BINARY_DIR}/ZRLSharedConfigVersion.cmake
        DESTINATION ${ZRL_CMAKE_DIR})

# The .pc files find the prefix from their own place (${pcfiledir}), so that
# the same files serve any install prefix and the package's /usr.
file(RELATIVE_PATH ZRL_PC_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" ZRL_PC_PREFIX "${ZRL_PC_PREFIX}")
foreach(pc IN ITEMS zrlshared utf8fs)
    configure_file(cmake/package/${pc}.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()

# ---- CPack ---------------------------------------------------------------------
set(ZRL_PACKAGE_CONTACT "ZRLShared maintainers <zrlshared@example.org>"
    CACHE STRING "Maintainer named in the packages")
set(CPACK_PACKAGE_NAME zrlshared)
set(CPACK_PACKAGE_VENDOR "ZRLShared")
set(CPACK_PACKAGE_CONTACT ${ZRL_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Runtime support for console programs of a record-oriented operating system")
set(CPACK_PACKAGE_DESCRIPTION
    "ZRLShared is a shared library with C linkage that gives console programs the services of a \
record-oriented operating system: status codes and messages, redirectable output channels, a \
picture-style format language, conversions, keyword tables, sorting, memory zones, file \
specifications with logical names and wildcards, record file I/O, terminal control and child \
processes. The package holds the library, its UTF-8 file-system layer utf8fs, their headers, \
CMake and pkg-config files, and the sample tools zsort, zdir, ztype, zview and zrun.")
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES OFF)
if(WIN32)
    set(CPACK_GENERATOR ZIP)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(CPACK_SYSTEM_NAME win64)
    else()
        set(CPACK_SYSTEM_NAME win32)
    endif()
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION libs)
    # Dependencies from the libraries and tools themselves (libc6, libstdc++6,
    # libgcc-s1); the package's own libraries are found in its tree.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
endif()
include(CPack)
