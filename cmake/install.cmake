# cmake --install: the program into a folder of its own, with a link in bin,
# the PARANET.LST template, its menu entry, icons, AppStream description,
# manual page, copyright and changelog; « Dépouillement » in bin, with its
# own menu entry and manual page.  The program keeps TEMPO.SPC and
# PARANET.LST beside itself when it can write there, else per user (see
# src/storage/places.h); folders come from cmake/layout.cmake.
set(desktop ${PROJECT_SOURCE_DIR}/resources/desktop)
set(debian ${PROJECT_SOURCE_DIR}/resources/debian)
set(app_id fr.tarvel.questionnaire)

install(TARGETS questionnaire RUNTIME DESTINATION ${QUESTIONNAIRE_PROGRAM_DIR})
install(TARGETS depouillement RUNTIME DESTINATION bin)
install(FILES ${QUESTIONNAIRE_TEMPLATE} DESTINATION ${QUESTIONNAIRE_DATA_DIR})

# Debian wants these compressed, reproducibly (no name or time stamp inside).
function(questionnaire_gzip source target)
    get_filename_component(folder ${PROJECT_BINARY_DIR}/${target} DIRECTORY)
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/${target}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND gzip -9nc ${debian}/${source} > ${PROJECT_BINARY_DIR}/${target}
        DEPENDS ${debian}/${source} VERBATIM)
endfunction()
questionnaire_gzip(changelog doc/changelog.gz)
questionnaire_gzip(questionnaire.1 man/questionnaire.1.gz)
questionnaire_gzip(depouillement.1 man/depouillement.1.gz)
add_custom_target(questionnaire_docs ALL DEPENDS ${PROJECT_BINARY_DIR}/doc/changelog.gz
                  ${PROJECT_BINARY_DIR}/man/questionnaire.1.gz
                  ${PROJECT_BINARY_DIR}/man/depouillement.1.gz)
# Building the program alone (scripts/run, scripts/package) makes all it installs.
add_dependencies(questionnaire questionnaire_docs)
install(FILES ${PROJECT_BINARY_DIR}/doc/changelog.gz ${debian}/copyright
        DESTINATION share/doc/questionnaire)
install(FILES ${PROJECT_BINARY_DIR}/man/questionnaire.1.gz
              ${PROJECT_BINARY_DIR}/man/depouillement.1.gz DESTINATION share/man/man1)
install(FILES ${desktop}/${app_id}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${desktop}/icons/${app_id}.svg DESTINATION share/icons/hicolor/scalable/apps)
file(GLOB icons CONFIGURE_DEPENDS ${desktop}/icons/*.png)
foreach(icon ${icons})
    get_filename_component(size ${icon} NAME_WE)
    install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps
            RENAME ${app_id}.png)
endforeach()

# The link in bin and the menu entries name the programs by their installed
# paths, known only at install time (cmake --install --prefix may change it).
install(CODE "
    set(app_id ${app_id})
    set(program_dir ${QUESTIONNAIRE_PROGRAM_DIR})
    set(desktop [[${desktop}]])
")
install(CODE [[
    set(program "${CMAKE_INSTALL_PREFIX}/${program_dir}/questionnaire")
    set(bin "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin")
    file(MAKE_DIRECTORY "${bin}")
    file(RELATIVE_PATH target "${CMAKE_INSTALL_PREFIX}/bin" "${program}")
    message(STATUS "Installing: ${bin}/questionnaire -> ${target}")
    file(REMOVE "${bin}/questionnaire")
    file(CREATE_LINK "${target}" "${bin}/questionnaire" SYMBOLIC)

    function(menu_entry program id)
        # Exec takes a quoted argument where the path holds anything beyond
        # the plain characters; inside the quotes " ` $ \ are escaped, and the
        # backslashes of the escapes are doubled for the string value itself.
        string(REPLACE "\\" "\\\\" TRYEXEC "${program}")
        set(EXEC "${program}")
        if(EXEC MATCHES "[^A-Za-z0-9/._+-]")
            string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" EXEC "${EXEC}")
            string(REPLACE "\\" "\\\\" EXEC "${EXEC}")
            string(REPLACE "%" "%%" EXEC "${EXEC}")
            set(EXEC "\"${EXEC}\"")
        endif()
        set(entry "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications/${id}.desktop")
        message(STATUS "Installing: ${entry}")
        configure_file("${desktop}/${id}.desktop.in" "${entry}" @ONLY)
    endfunction()
    menu_entry("${program}" ${app_id})
    menu_entry("${CMAKE_INSTALL_PREFIX}/bin/depouillement" fr.tarvel.depouillement)
]])
