# The Debian package of the install rules in packaging/: `cpack` in the build folder makes
# wayfarer_VERSION_amd64.deb. Included from the top level, where CPack has to be.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wayfarer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Wayfarer developers <wayfarer@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find tourist attractions in an activity catalogue")
# Lines of at most 80 characters, as dpkg shows them; an empty line starts a paragraph.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Wayfarer searches an activity catalogue as you type and shows the attractions"
  "it finds as cards with cover pictures and prices; a card opens the full"
  "description, the price and the days of operation, and a heart remembers what"
  "you like. Without a catalogue named it searches its demo catalogue, served"
  "from its own process."
  ""
  "The package also holds wayfarer-search, the same search on the command line,"
  "and wayfarer-catalogue, the demo catalogue as a local HTTPS service.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps names the libraries' packages; the fonts are read through fontconfig at
# run time, so no linked library tells of them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-dejavu-core)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
