# The Debian package: `cpack -G DEB` in a build folder (scripts/package.sh) makes
# velmaris-glyphon_<version>_<arch>.deb from the install rules.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmaris-glyphon)
set(CPACK_PACKAGE_VENDOR Velmaris)
set(CPACK_PACKAGE_CONTACT "Velmaris <glyphon@velmaris.io>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for web pages and program source")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop editor for web pages and program source, with syntax colouring, HTML Tidy,
a spelling checker, previews, HTML export, printing and an FTP client.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://velmaris.io/glyphon)
# The libraries the executable links, the X11 platform plugin among them, come from
# dpkg-shlibdeps; the Wayland plugin is loaded at run time only, and without it Qt uses X11.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
include(CPack)
