# `cpack -G DEB` in the build folder makes kolvar_<version>_<arch>.deb of what `cmake --install`
# installs, stripped, with the shared-library dependencies worked out by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME kolvar)
set(CPACK_PACKAGE_VENDOR "The Kolvar developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "raster image editor")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Kolvar paints with pens, lines, curves, library shapes, sprays and text, fills with\n"
    "colours, gradients, patterns and textures, and applies some twenty-five image filters\n"
    "with a live preview. kolvar-filter applies the same filters from the command line.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://kolvar.example.org/")
set(CPACK_PACKAGE_CONTACT "The Kolvar developers <kolvar@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
# Only the program's own components: nothing of the tests or benchmarks.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The X11 and Wayland platform plugins are not linked, so shlibdeps cannot see them; without
# them the editor cannot open a window.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Qt's own dialogs in Portuguese, and the faces that stand in for Arial and Times New Roman.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-liberation2")
include(CPack)
