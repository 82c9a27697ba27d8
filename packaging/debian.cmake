# The Debian packages, built by `cpack -G DEB` in the build folder (or the "packages" target):
# orv-common (the libraries every program loads and the handset tool), orvphone, orvcli and
# orvserver. Library dependencies come from dpkg-shlibdeps; the three program packages
# depend on orv-common of the same version for the private libraries.

set(ORV_PACKAGES common orvphone orvcli orvserver)
set(ORV_DEB_VERSION ${PROJECT_VERSION})

# Every package carries its copyright and a compressed changelog in /usr/share/doc.
set(ORV_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${ORV_CHANGELOG}
    COMMAND sh -c "gzip -9n < '${CMAKE_CURRENT_SOURCE_DIR}/changelog' > '${ORV_CHANGELOG}'"
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/changelog VERBATIM)
add_custom_target(orv_package_docs ALL DEPENDS ${ORV_CHANGELOG})
foreach(component IN LISTS ORV_PACKAGES)
    if(component STREQUAL "common")
        set(package orv-common)
    else()
        set(package ${component})
    endif()
    string(TOUPPER ${component} upper)
    set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${package})
    install(FILES copyright ${ORV_CHANGELOG} DESTINATION share/doc/${package} COMPONENT ${component})
    if(NOT component STREQUAL "common")
        set(CPACK_DEBIAN_${upper}_PACKAGE_DEPENDS "orv-common (= ${ORV_DEB_VERSION})")
    endif()
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orv)
set(CPACK_PACKAGE_VERSION ${ORV_DEB_VERSION})
set(CPACK_PACKAGE_VENDOR "The ORV developers")
set(CPACK_PACKAGE_CONTACT "ORV developers <orv-dev@orv.example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${ORV_PACKAGES})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://orv.example.org/")

# The first line is the summary; CPack indents the rest as the extended description.
set(CPACK_COMPONENT_COMMON_DESCRIPTION "ORV video telephony - shared libraries
The datagram and stream link libraries, the message layer and the USB handset
library with its virtual handset driver and control tool, used by the ORV
desktop client, the headless client and the ORV service.")
set(CPACK_COMPONENT_ORVPHONE_DESCRIPTION "ORV video telephony - desktop client
The desktop client of the ORV IP video-telephony service: calls with voice and
video, conferences, friends, call records and the account, in a skinned window
with a tray icon. It opens tel: and orv: links.")
set(CPACK_COMPONENT_ORVCLI_DESCRIPTION "ORV video telephony - headless client
A client of the ORV IP video-telephony service without a desktop: it logs on,
calls, answers and joins conferences from commands on its standard input and
reports every event as a machine-readable line.")
set(CPACK_COMPONENT_ORVSERVER_DESCRIPTION "ORV video telephony - the service in one process
The whole ORV service (user, talk, conference, account and update servers,
media rendezvous, conference mixer and an echo-test number) in one process,
with its subscribers in SQLite. A hardened systemd unit runs it as a dynamic
user.")
set(CPACK_DEBIAN_ORVSERVER_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_SOURCE_DIR}/orvserver/postinst ${CMAKE_CURRENT_SOURCE_DIR}/orvserver/postrm)

include(CPack)

# Builds every package into the build folder's packages/ folder.
add_custom_target(packages
    COMMAND cpack -G DEB -B ${CMAKE_BINARY_DIR}/packages
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "Building the Debian packages" VERBATIM)
