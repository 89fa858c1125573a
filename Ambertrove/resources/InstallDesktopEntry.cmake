# Run by `cmake --install`: writes the menu entry with the full path of the executable being installed and
# installs it. The path is known only now, because `cmake --install --prefix` may choose another prefix than
# the configuration's. The install rule sets AMBERTROVE_DESKTOP_TEMPLATE, AMBERTROVE_DESKTOP_STAGING,
# AMBERTROVE_BINDIR and AMBERTROVE_APPLICATIONS_DIR (the last two relative to the prefix, or absolute).
foreach(folder AMBERTROVE_BINDIR AMBERTROVE_APPLICATIONS_DIR)
  if(NOT IS_ABSOLUTE "${${folder}}")
    set(${folder} "${CMAKE_INSTALL_PREFIX}/${${folder}}")
  endif()
endforeach()
set(AMBERTROVE_EXECUTABLE "${AMBERTROVE_BINDIR}/ambertrove")
# Exec quotes the path (a prefix may hold blanks); these characters would need escapes within the quotes.
if(AMBERTROVE_EXECUTABLE MATCHES "[\"`$%\\]")
  message(FATAL_ERROR "The menu entry cannot name an executable whose path holds \", `, $, % or \\: ${AMBERTROVE_EXECUTABLE}")
endif()

# One staged entry per prefix, so that installs into different prefixes at once do not share a file.
string(MD5 prefix_key "${AMBERTROVE_EXECUTABLE}")
set(entry "${AMBERTROVE_DESKTOP_STAGING}/${prefix_key}/ambertrove.desktop")
configure_file("${AMBERTROVE_DESKTOP_TEMPLATE}" "${entry}" @ONLY)
file(INSTALL DESTINATION "${AMBERTROVE_APPLICATIONS_DIR}" TYPE FILE FILES "${entry}")
