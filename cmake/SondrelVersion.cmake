# sondrel_embed_version(TARGET [FILE_VERSION v] [PRODUCT_VERSION v] [PRODUCT_NAME n]
#                       [DESCRIPTION d])
#
# Embeds a version resource in the executable TARGET: the version-information block that the
# version calls of platform/system read back from the program file (section ".sondrel.version").
# The versions default to the project's version with four parts ("0.1.0" gives "0.1.0.0").
function(sondrel_embed_version target)
    cmake_parse_arguments(PARSE_ARGV 1 ARG ""
        "FILE_VERSION;PRODUCT_VERSION;PRODUCT_NAME;DESCRIPTION" "")
    string(REPLACE "." ";" parts "${PROJECT_VERSION}")
    list(LENGTH parts count)
    while(count LESS 4)
        list(APPEND parts 0)
        math(EXPR count "${count} + 1")
    endwhile()
    list(JOIN parts "." version)
    if(NOT DEFINED ARG_FILE_VERSION)
        set(ARG_FILE_VERSION "${version}")
    endif()
    if(NOT DEFINED ARG_PRODUCT_VERSION)
        set(ARG_PRODUCT_VERSION "${ARG_FILE_VERSION}")
    endif()
    if(NOT DEFINED ARG_PRODUCT_NAME)
        set(ARG_PRODUCT_NAME "${PROJECT_NAME}")
    endif()
    if(NOT DEFINED ARG_DESCRIPTION)
        set(ARG_DESCRIPTION "${ARG_PRODUCT_NAME}")
    endif()
    set(source "${CMAKE_CURRENT_BINARY_DIR}/${target}_version.cpp")
    # Rewritten only when the arguments change, so that a new version regenerates the source.
    set(arguments "${CMAKE_CURRENT_BINARY_DIR}/${target}_version.args")
    file(CONFIGURE OUTPUT "${arguments}" CONTENT
        "${ARG_FILE_VERSION}\n${ARG_PRODUCT_VERSION}\n${ARG_PRODUCT_NAME}\n${ARG_DESCRIPTION}\n"
        @ONLY)
    add_custom_command(OUTPUT "${source}"
        COMMAND sondrel-verinfo-gen "${source}" "${ARG_FILE_VERSION}" "${ARG_PRODUCT_VERSION}"
            "${ARG_PRODUCT_NAME}" "${ARG_DESCRIPTION}"
        DEPENDS sondrel-verinfo-gen "${arguments}"
        COMMENT "Version resource of ${target}: ${ARG_FILE_VERSION}"
        VERBATIM)
    target_sources(${target} PRIVATE "${source}")
endfunction()
