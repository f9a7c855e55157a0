# What a user's system needs beyond the program: man page, shell completion, AppStream metainfo,
# copyright and changelog, and the Debian package (cpack -G DEB, or scripts/package.sh).
set(QUILLMARK_HOMEPAGE "https://quillmark.example.org" CACHE STRING "The project's web address")
set(QUILLMARK_SCREENSHOTS "${QUILLMARK_HOMEPAGE}/raw/main/docs/screenshots"
    CACHE STRING "Where the metainfo's screenshots are published (docs/screenshots of the repository)")
set(QUILLMARK_MAINTAINER "Quillmark developers <maintainers@quillmark.example.org>"
    CACHE STRING "Maintainer field of the Debian package")
# The AppStream component: the web address's host, reversed.
set(QUILLMARK_APPSTREAM_ID "org.example.quillmark" CACHE STRING "AppStream component id")

set(packaging ${CMAKE_SOURCE_DIR}/packaging)
set(generated ${CMAKE_BINARY_DIR}/packaging)
configure_file(${packaging}/quillmark.metainfo.xml.in ${generated}/${QUILLMARK_APPSTREAM_ID}.metainfo.xml @ONLY)

# The man page's synopsis and option sections and the bash completion come from the option table.
add_custom_command(OUTPUT ${generated}/quillmark.1 ${generated}/quillmark.bash-completion
    COMMAND option_docs ${packaging}/quillmark.1.in ${generated}/quillmark.1 ${generated}/quillmark.bash-completion
    DEPENDS option_docs ${packaging}/quillmark.1.in VERBATIM)

# Debian keeps man pages and changelogs compressed, without a time stamp in the gzip header.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
foreach(doc ${generated}/quillmark.1 ${packaging}/changelog)
    get_filename_component(name ${doc} NAME)
    add_custom_command(OUTPUT ${generated}/${name}.gz
        COMMAND ${GZIP_EXECUTABLE} -9nc ${doc} > ${generated}/${name}.gz
        DEPENDS ${doc} VERBATIM)
    list(APPEND compressed ${generated}/${name}.gz)
endforeach()
add_custom_target(quillmark_docs ALL DEPENDS ${compressed} ${generated}/quillmark.bash-completion)

install(FILES ${generated}/quillmark.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${generated}/quillmark.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
    RENAME quillmark)
install(FILES ${packaging}/copyright ${generated}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(QUILLMARK_GUI)
    install(FILES ${generated}/${QUILLMARK_APPSTREAM_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# Symbols bound at start-up, so the relocations can be made read-only.
target_link_options(quillmark PRIVATE -Wl,-z,now)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmark)
set(CPACK_PACKAGE_VENDOR "Quillmark developers")
set(CPACK_PACKAGE_CONTACT "${QUILLMARK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert web pages into full-page images, PDF or text")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillmark turns web pages (web addresses and local HTML files) into
full-page images (BMP, JPEG, GIF, PNG, TIFF, WebP), paginated PDF documents
or plain text. Pages are loaded and rendered by headless Chromium, driven over
the DevTools protocol.

It is a desktop program (main window, tray icon, settings, mini browser,
scheduler) with a command line, quillmark convert, that runs the same engine
without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUILLMARK_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries come from what the binary links; the rest it starts or loads at run time: the browser,
# fonts that cover most scripts, and Qt's TIFF and WebP writers.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "chromium | chromium-headless-shell, fonts-noto-core | fonts-dejavu-core, qt6-image-formats-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "chromium-headless-shell, fonts-noto-cjk, fonts-noto-color-emoji, xdg-utils")
include(CPack)
