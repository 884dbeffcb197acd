# The Debian package: `cpack` in the build folder writes zamo_VERSION_ARCH.deb there,
# with the tools, their man pages, the overview page, the documents and the
# shell completion, installed under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zamo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "command-line MIDI tools: compile music text, convert sequences, keep SysEx dumps")
# The summary is the control file's first Description line; this text follows it.
set(CPACK_PACKAGE_DESCRIPTION "zamo is a suite of command-line MIDI tools that pipe into each other:
zembra compiles MML (Music Macro Language) into sequences, zutane reads
Standard MIDI Files, fendix renders sequences into fixed-step streams and
teskar plays them in real time to an ALSA or JACK MIDI port or a serial
port. oktile, mirvok, wental and gorbel extract, select, split and wrap
synthesizer SysEx dumps; droska sends them, holmir records them, praven
runs scripted dialogues with an instrument, and navlin lists the ports.")
# No public address yet: set ZAMO_PACKAGE_MAINTAINER when building a package to hand out.
set(ZAMO_PACKAGE_MAINTAINER "zamo maintainers <zamo@invalid>" CACHE STRING "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZAMO_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The libraries the tools link to, as dpkg-shlibdeps reads them off the
# binaries; without it, the same list by hand.
find_program(ZAMO_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(ZAMO_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libasound2, libjack-jackd2-0 | libjack0, libc6, libstdc++6")
endif()
include(CPack)
