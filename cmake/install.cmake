# cmake --install: the program into a folder of its own, with a link in bin,
# its menu entry, icons and AppStream description.  The program writes
# TEMPO.SPC and PARANET.LST beside its executable, so install it under a
# prefix the user owns (scripts/install uses ~/.local).
set(QUESTIONNAIRE_PROGRAM_DIR lib/questionnaire CACHE STRING
    "Folder of the installed program, relative to the prefix")
set(desktop ${PROJECT_SOURCE_DIR}/resources/desktop)
set(app_id fr.tarvel.questionnaire)

install(TARGETS questionnaire RUNTIME DESTINATION ${QUESTIONNAIRE_PROGRAM_DIR})
install(FILES ${desktop}/${app_id}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${desktop}/icons/${app_id}.svg DESTINATION share/icons/hicolor/scalable/apps)
file(GLOB icons CONFIGURE_DEPENDS ${desktop}/icons/*.png)
foreach(icon ${icons})
    get_filename_component(size ${icon} NAME_WE)
    install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps
            RENAME ${app_id}.png)
endforeach()

# The link in bin and the menu entry name the program by its installed path,
# known only at install time (cmake --install --prefix may change it).
install(CODE "
    set(app_id ${app_id})
    set(program_dir ${QUESTIONNAIRE_PROGRAM_DIR})
    set(template [[${desktop}/${app_id}.desktop.in]])
")
install(CODE [[
    set(program "${CMAKE_INSTALL_PREFIX}/${program_dir}/questionnaire")
    set(bin "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin")
    file(MAKE_DIRECTORY "${bin}")
    file(RELATIVE_PATH target "${CMAKE_INSTALL_PREFIX}/bin" "${program}")
    message(STATUS "Installing: ${bin}/questionnaire -> ${target}")
    file(REMOVE "${bin}/questionnaire")
    file(CREATE_LINK "${target}" "${bin}/questionnaire" SYMBOLIC)

    # Exec takes a quoted argument where the path holds anything beyond the
    # plain characters; inside the quotes " ` $ \ are escaped, and the
    # backslashes of the escapes are doubled for the string value itself.
    string(REPLACE "\\" "\\\\" TRYEXEC "${program}")
    set(EXEC "${program}")
    if(EXEC MATCHES "[^A-Za-z0-9/._+-]")
        string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" EXEC "${EXEC}")
        string(REPLACE "\\" "\\\\" EXEC "${EXEC}")
        string(REPLACE "%" "%%" EXEC "${EXEC}")
        set(EXEC "\"${EXEC}\"")
    endif()
    set(entry "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications/${app_id}.desktop")
    message(STATUS "Installing: ${entry}")
    configure_file("${template}" "${entry}" @ONLY)
]])
