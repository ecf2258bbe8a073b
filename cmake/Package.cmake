# The Debian package (make package). dpkg-shlibdeps names the packages of the
# libraries the program links (Qt 6, the UNO runtime); the office it starts,
# and the UNO type library it reads, are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME cellwinnow)
set(CPACK_PACKAGE_VENDOR Tamberlin)
set(CPACK_PACKAGE_CONTACT "Tamberlin <support@tamberlin.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "empties repeated cell texts in many spreadsheets")
set(CPACK_PACKAGE_DESCRIPTION
  "Cellwinnow cleans many spreadsheet files in one batch. For each listed
file it drives a private headless LibreOffice Calc, empties every cell
whose text repeats a text met earlier in the same document, keeping the
first, and stores the result as .ods in a results folder.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The office's program folder, the program's run path, holds the UNO libraries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CW_OFFICE_DIR}/program")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libreoffice-calc | libreoffice-calc-nogui, ure")
# Opening the samples' folder goes through the desktop's opener.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
include(CPack)
