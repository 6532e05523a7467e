# cpack: the Debian package questionnaire_<version>_amd64.deb, everything
# under /usr.  scripts/package configures a build of its own for it
# (system-wide files, Debian's hardening flags) and runs cpack there, or
# packs the test suite's build, made with the same flags.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME questionnaire)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "Editions TARVEL <questionnaire@tarvel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "answers to the Orbitalis CD-ROM's survey, printed or e-mailed")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.tarvel.fr/orbitalis/")
# cpack puts the summary above this text.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"« Votre avis nous intéresse » asks the teachers who received the Orbitalis
CD-ROM of Editions TARVEL what they think of it, on one page in French, and
sends the answers to the publisher by e-mail (through the teacher's own
mail server, with TLS) or prints them for posting.  « Dépouillement », for
the publisher, reads the mailboxes where the answers arrive into a base, and
gives them as a table, a spreadsheet and a report with charts.")
# Libraries from dpkg-shlibdeps; what Qt loads at run time (its French
# messages) and the typeface of the page are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, qt6-translations-l10n, qt6-image-formats-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnome-keyring | kwalletmanager")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
