# Installs one of the shared libraries for other programs to build on. The runtime component gets the
# library under its SONAME; the development component its name link, the headers of the target's HEADERS
# file set, a pkg-config file <target>.pc and the CMake package files with which find_package(<PACKAGE>)
# gives the target <PACKAGE>::<target>.
#
#   tarvex_install_library(<target> PACKAGE <name> DESCRIPTION <text>
#                          COMPONENT <runtime component> DEV_COMPONENT <development component>
#                          [PKG_CONFIG_REQUIRES <modules>] [FIND_DEPENDENCY <find_dependency arguments>...])
include(CMakePackageConfigHelpers)

function(tarvex_install_library target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "PACKAGE;DESCRIPTION;COMPONENT;DEV_COMPONENT;PKG_CONFIG_REQUIRES"
        "FIND_DEPENDENCY")
    install(TARGETS ${target} EXPORT ${arg_PACKAGE}Targets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ${arg_COMPONENT}
            NAMELINK_COMPONENT ${arg_DEV_COMPONENT}
        FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT ${arg_DEV_COMPONENT})

    set(package_folder ${CMAKE_INSTALL_LIBDIR}/cmake/${arg_PACKAGE})
    install(EXPORT ${arg_PACKAGE}Targets NAMESPACE ${arg_PACKAGE}:: DESTINATION ${package_folder}
        COMPONENT ${arg_DEV_COMPONENT})
    set(LIBRARY_PACKAGE ${arg_PACKAGE})
    set(LIBRARY_FIND_DEPENDENCY "")
    if(arg_FIND_DEPENDENCY)
        list(JOIN arg_FIND_DEPENDENCY " " dependency)
        set(LIBRARY_FIND_DEPENDENCY "find_dependency(${dependency})")
    endif()
    set(config ${CMAKE_CURRENT_BINARY_DIR}/${arg_PACKAGE}Config.cmake)
    set(config_version ${CMAKE_CURRENT_BINARY_DIR}/${arg_PACKAGE}ConfigVersion.cmake)
    configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/LibraryConfig.cmake.in ${config}
        INSTALL_DESTINATION ${package_folder})
    get_target_property(LIBRARY_VERSION ${target} VERSION)
    write_basic_package_version_file(${config_version} VERSION ${LIBRARY_VERSION} COMPATIBILITY SameMajorVersion)
    install(FILES ${config} ${config_version} DESTINATION ${package_folder} COMPONENT ${arg_DEV_COMPONENT})

    set(LIBRARY_NAME ${target})
    set(LIBRARY_DESCRIPTION ${arg_DESCRIPTION})
    set(LIBRARY_PKG_CONFIG_REQUIRES ${arg_PKG_CONFIG_REQUIRES})
    configure_file(${PROJECT_SOURCE_DIR}/cmake/library.pc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}.pc @ONLY)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${target}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT ${arg_DEV_COMPONENT})
endfunction()
