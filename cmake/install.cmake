# Debian's layout: programs in bin, the default installation root (copied by an administrator
# into a real root) under share/zconctab/root, man pages in share/man/man1.
include(GNUInstallDirs)
install(TARGETS zconctab kavrec kavkeys RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/root/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zconctab/root)
install(FILES ${PROJECT_SOURCE_DIR}/doc/zconctab.1 ${PROJECT_SOURCE_DIR}/doc/kavrec.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
