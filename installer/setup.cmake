# Packages (Windows builds): the staged folder that the zip and the installer
# are made from, and the installer itself, made by makensis when it is found.
#
#   stage/             pellwick.exe, pellwick-ir.exe, README.txt, and
#                      Simulator/ with Pellwick on the simulated device
#   setup (target)     bin/setup/pellwick-<version>-setup.exe
#
# The version, the product's name and the publisher come from the build: the
# project's version, its name, and the version resource's CompanyName.

file(STRINGS ${PROJECT_SOURCE_DIR}/ui/pellwick.rc PELLWICK_COMPANY_LINE
     REGEX "VALUE \"CompanyName\"")
if(NOT PELLWICK_COMPANY_LINE MATCHES "\"CompanyName\", *\"([^\"]+)\"")
    message(FATAL_ERROR "no CompanyName in ui/pellwick.rc: the installer's publisher comes from it")
endif()
set(PELLWICK_PUBLISHER ${CMAKE_MATCH_1})
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(PELLWICK_SETUP_ARCH amd64)  # the test build of hosts without 32-bit code
else()
    set(PELLWICK_SETUP_ARCH x86)
endif()
find_program(MAKENSIS makensis)
string(TOLOWER ${PROJECT_NAME} PELLWICK_FILE_NAME)

# Lays out the files to ship in folder, with a README.txt for version;
# EXTRA_FILE is copied beside README.txt.
function(pellwick_stage target folder version)
    cmake_parse_arguments(PARSE_ARGV 3 arg "" "EXTRA_FILE" "")
    set(PELLWICK_PACKAGE_VERSION ${version})
    # The title's underline, as long as "Pellwick <version>".
    string(LENGTH "${PROJECT_NAME} ${version}" title_length)
    string(REPEAT "=" ${title_length} PELLWICK_PACKAGE_UNDERLINE)
    set(readme ${CMAKE_CURRENT_BINARY_DIR}/generated/${target}/README.txt)
    configure_file(${PROJECT_SOURCE_DIR}/installer/README.txt.in ${readme} @ONLY NEWLINE_STYLE CRLF)
    add_custom_command(OUTPUT ${folder}.stamp
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${folder}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}/Simulator
        COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:pellwick> $<TARGET_FILE:pellwick-ir>
                ${readme} ${arg_EXTRA_FILE} ${folder}
        COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:pellwick> $<TARGET_FILE:tavrixdrv>
                $<TARGET_FILE:tavrixctl> $<TARGET_FILE:learnapp> $<TARGET_FILE:tavrixsim>
                ${folder}/Simulator
        COMMAND ${CMAKE_COMMAND} -E touch ${folder}.stamp
        DEPENDS pellwick pellwick-ir tavrixdrv tavrixctl learnapp tavrixsim ${readme}
                ${arg_EXTRA_FILE}
        COMMENT "Staging the files to ship in ${folder}"
        VERBATIM)
    add_custom_target(${target} DEPENDS ${folder}.stamp)
endfunction()

# The installer of the staged folder, made by installer/pellwick.nsi.
function(pellwick_setup target stage_target folder version output)
    cmake_parse_arguments(PARSE_ARGV 5 arg "" "EXTRA_FILE" "")
    set(defines -DVERSION=${version} -DPRODUCT=${PROJECT_NAME}
        -DPUBLISHER=${PELLWICK_PUBLISHER} -DARCH=${PELLWICK_SETUP_ARCH}
        -DSOURCE=${folder} -DICON=${PROJECT_SOURCE_DIR}/ui/pellwick.ico -DOUTFILE=${output})
    if(arg_EXTRA_FILE)
        list(APPEND defines -DEXTRA_FILE=${arg_EXTRA_FILE})
    endif()
    get_filename_component(output_folder ${output} DIRECTORY)
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${output_folder}
        COMMAND ${MAKENSIS} -V2 -INPUTCHARSET UTF8 ${defines} ${PROJECT_SOURCE_DIR}/installer/pellwick.nsi
        DEPENDS ${folder}.stamp ${PROJECT_SOURCE_DIR}/installer/pellwick.nsi
        COMMENT "Making ${output}"
        VERBATIM)
    add_custom_target(${target} DEPENDS ${output})
    add_dependencies(${target} ${stage_target})
endfunction()

pellwick_stage(stage ${CMAKE_BINARY_DIR}/stage ${PROJECT_VERSION})
if(MAKENSIS)
    pellwick_setup(setup stage ${CMAKE_BINARY_DIR}/stage ${PROJECT_VERSION}
                   ${CMAKE_BINARY_DIR}/bin/setup/${PELLWICK_FILE_NAME}-${PROJECT_VERSION}-setup.exe)
endif()
