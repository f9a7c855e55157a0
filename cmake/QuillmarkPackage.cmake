# What a user's system needs beyond the programs: man page, shell completion, AppStream metainfo,
# copyright and changelog, and the two Debian packages (cpack -G DEB, or scripts/package.sh):
# quillmark-cli, the commands alone for a server without a desktop, and quillmark, the desktop
# program, which depends on it.
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
# quillmark-cli runs the commands the one man page describes.
file(CREATE_LINK quillmark.1.gz ${generated}/quillmark-cli.1.gz SYMBOLIC)

# The commands' package: the man page, the completions, and the share files they read (first-run
# settings, the sample page); the other share files are the windows'.
install(FILES ${generated}/quillmark.1.gz ${generated}/quillmark-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
    COMPONENT cli)
install(FILES ${generated}/quillmark.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
    RENAME quillmark COMPONENT cli)
install(FILES ${packaging}/quillmark-cli.bash-completion
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quillmark-cli COMPONENT cli)
install(FILES ${CMAKE_SOURCE_DIR}/share/settings.dat DESTINATION ${CMAKE_INSTALL_DATADIR}/quillmark COMPONENT cli)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/share/sample DESTINATION ${CMAKE_INSTALL_DATADIR}/quillmark COMPONENT cli)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/share/ DESTINATION ${CMAKE_INSTALL_DATADIR}/quillmark COMPONENT desktop
    PATTERN settings.dat EXCLUDE PATTERN sample EXCLUDE)
# Each package has its own copyright and changelog.
install(FILES ${packaging}/copyright ${generated}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillmark-cli
    COMPONENT cli)
install(FILES ${packaging}/copyright ${generated}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillmark
    COMPONENT desktop)
if(QUILLMARK_GUI)
    install(FILES ${generated}/${QUILLMARK_APPSTREAM_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        COMPONENT desktop)
    # Its man page is quillmark-cli's, which it depends on.
    install(FILES ${packaging}/quillmark.lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME quillmark COMPONENT desktop)
endif()

# Symbols bound at start-up, so the relocations can be made read-only.
target_link_options(quillmark PRIVATE -Wl,-z,now)
target_link_options(quillmark-cli PRIVATE -Wl,-z,now)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmark)
set(CPACK_PACKAGE_VENDOR "Quillmark developers")
set(CPACK_PACKAGE_CONTACT "${QUILLMARK_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli desktop)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUILLMARK_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries come from what each binary links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(summary "convert web pages into full-page images, PDF or text")
set(about "Quillmark turns web pages (web addresses and local HTML files) into
full-page images (BMP, JPEG, GIF, PNG, TIFF, WebP), paginated PDF documents
or plain text. Pages are loaded and rendered by headless Chromium, driven over
the DevTools protocol.")

set(CPACK_DEBIAN_CLI_PACKAGE_NAME quillmark-cli)
set(CPACK_DEBIAN_CLI_DESCRIPTION "${summary} (without a desktop)
${about}

This package holds quillmark-cli, the commands without a window (convert,
and worker, submit and status for a job queue on Redis), for servers: it
needs no window system and no Qt Widgets.")
# Besides the libraries: the browser it starts, fonts that cover most scripts, and Qt's TIFF and
# WebP writers.
set(CPACK_DEBIAN_CLI_PACKAGE_DEPENDS
    "chromium | chromium-headless-shell, fonts-noto-core | fonts-dejavu-core, qt6-image-formats-plugins")
set(CPACK_DEBIAN_CLI_PACKAGE_RECOMMENDS "chromium-headless-shell, fonts-noto-cjk, fonts-noto-color-emoji")

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME quillmark)
set(CPACK_DEBIAN_DESKTOP_DESCRIPTION "${summary}
${about}

It is a desktop program (main window, tray icon, settings, mini browser,
scheduler) with a command line, quillmark convert, that runs the same engine
without a window (from the quillmark-cli package).")
set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS "quillmark-cli (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DESKTOP_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
