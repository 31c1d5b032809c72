# The Debian package, made by CPack from what `cmake --install` puts in place
# (scripts/package builds it and checks it with lintian).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sondrel)
set(CPACK_PACKAGE_VENDOR "Vaskel Software")
set(CPACK_PACKAGE_CONTACT "Vaskel Software <sondrel@vaskel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "show the data streams of files and folders")
set(CPACK_PACKAGE_DESCRIPTION
    "Sondrel shows every data stream of a file or folder: the main data, the
named streams (user extended attributes, or the true alternate data streams
of an NTFS volume mounted with ntfs-3g), the security descriptor, the other
extended attributes, object ids, reparse data and sparse blocks. Its window
lists a folder with each item's stream count, a file's streams, and a
stream's content as a hex and character dump.
.
The command-line companion sondrel-streams gives the same information to
scripts and to machines without a desktop; it links no graphical library.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://vaskel.example/sondrel/")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link, found by dpkg-shlibdeps; the icon's SVG reader is a plug-in
# the toolkit loads by itself, so it is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
include(CPack)
