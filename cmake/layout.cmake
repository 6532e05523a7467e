# Where an install puts things, and the publisher's addresses it ships.  Read
# before the sources: the program finds its template relative to itself, so
# the same build installs under any prefix.
set(QUESTIONNAIRE_PROGRAM_DIR lib/questionnaire CACHE STRING
    "Folder of the installed program, relative to the prefix")
set(QUESTIONNAIRE_DATA_DIR share/questionnaire CACHE STRING
    "Folder of the PARANET.LST template, relative to the prefix")
# A system-wide install (the Debian package) never writes beside the program,
# even for root: the two files are always the user's own.
option(QUESTIONNAIRE_SYSTEM_WIDE "Keep PARANET.LST and TEMPO.SPC per user, never beside the program" OFF)

# The records of the template that the sibling program of the CD-ROM would
# have written; the questionnaire itself sends to the recipient.
set(QUESTIONNAIRE_HOME_PAGE "http://www.tarvel.fr/orbitalis/" CACHE STRING
    "PARANET.LST record 1: the home page")
set(QUESTIONNAIRE_SEARCH_PAGE "http://www.tarvel.fr/recherche/" CACHE STRING
    "PARANET.LST record 2: the search page")
set(QUESTIONNAIRE_RECIPIENT "avis@tarvel.example" CACHE STRING
    "PARANET.LST record 6: the publisher's address, where the answers go")
# The page's introduction asks for the answers « avant le <this> si possible »:
# a publisher running the questionnaire again sets its own date (UTF-8).
set(QUESTIONNAIRE_REPLY_BY "1er janvier 2001" CACHE STRING
    "The date the answers are asked back by, as the introduction says it")
set(QUESTIONNAIRE_UPDATE_PROCEDURES "http://www.tarvel.fr/maj/procedures.txt" CACHE STRING
    "PARANET.LST record 7: the on-line update procedures")
set(QUESTIONNAIRE_CARDS "http://www.tarvel.fr/cartes/" CACHE STRING
    "PARANET.LST record 8: the cards to download")

file(RELATIVE_PATH QUESTIONNAIRE_TEMPLATE_FROM_PROGRAM
     /prefix/${QUESTIONNAIRE_PROGRAM_DIR} /prefix/${QUESTIONNAIRE_DATA_DIR}/PARANET.LST)
