# Writes the desktop entry while installing: its Exec line runs the installed
# program by its full path, quoted as desktop entries quote arguments (a
# backslash, quote, backquote or dollar inside is escaped, and the file's own
# string escaping doubles each backslash again).
if(IS_ABSOLUTE "${TessalineBinDir}")
    set(program "${TessalineBinDir}/tessaline")
else()
    set(program "${CMAKE_INSTALL_PREFIX}/${TessalineBinDir}/tessaline")
endif()
string(REPLACE "\\" "\\\\\\\\" quoted "${program}")
string(REPLACE "\"" "\\\\\"" quoted "${quoted}")
string(REPLACE "`" "\\\\`" quoted "${quoted}")
string(REPLACE "$" "\\\\$" quoted "${quoted}")
string(REPLACE "%" "%%" quoted "${quoted}")
set(TessalineExec "\"${quoted}\"")

if(IS_ABSOLUTE "${TessalineApplicationsDir}")
    set(entry "$ENV{DESTDIR}${TessalineApplicationsDir}/tessaline.desktop")
else()
    set(entry "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${TessalineApplicationsDir}/tessaline.desktop")
endif()
message(STATUS "Installing: ${entry}")
configure_file("${TessalineDesktopTemplate}" "${entry}" @ONLY)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${entry}")
