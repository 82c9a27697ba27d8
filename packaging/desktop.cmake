# What makes the installed programs at home on a desktop: orvphone's desktop entry (also the
# handler of tel: and orv: links), its AppStream metadata, its icons (drawn by skingen, see
# tools/skingen), and the manual pages of the three programs, compressed as Debian wants.

install(FILES orvphone/orvphone.desktop DESTINATION share/applications COMPONENT orvphone)
install(FILES orvphone/org.example.orv.orvphone.metainfo.xml DESTINATION share/metainfo COMPONENT orvphone)
install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/hicolor DESTINATION share/icons COMPONENT orvphone)

set(ORV_MAN_PAGES)
foreach(program orvphone orvcli orvserver)
    set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1.gz)
    add_custom_command(OUTPUT ${page}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
        COMMAND sh -c "gzip -9n < '${CMAKE_CURRENT_SOURCE_DIR}/man/${program}.1' > '${page}'"
        DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/man/${program}.1 VERBATIM)
    list(APPEND ORV_MAN_PAGES ${page})
    install(FILES ${page} DESTINATION share/man/man1 COMPONENT ${program})
endforeach()
add_custom_target(orv_man_pages ALL DEPENDS ${ORV_MAN_PAGES})
