# One static library per folder, linked in one direction: base -> net -> config -> ui ->
# monitor / logview / command -> fleet / shell -> app (the simulator: sim on top of protocol); logfind
# (the log's search and filter patterns) sits on base alone, just below logview, which links it; alarm
# (the alarm journal) sits on monitor's status record and record's SQLite, below app.
#
#   kova_layer(<target> SOURCES <files...> LINKS <targets...>)
#
# The folder's headers are reached as "<folder>/Header.h" through an include directory that holds
# this folder alone (a link to it under the build tree), handed on to whatever links the library.
# A source can therefore include only its own folder and the folders of the libraries it links:
# a lower folder reaching into a higher one is a compile error, not a review comment.
function(kova_layer target)
    cmake_parse_arguments(LAYER "" "" "SOURCES;LINKS" ${ARGN})
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    set(root ${PROJECT_BINARY_DIR}/layers/${folder})
    file(MAKE_DIRECTORY ${root})
    if(NOT EXISTS ${root}/${folder})
        file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
    endif()
    add_library(${target} STATIC ${LAYER_SOURCES})
    target_include_directories(${target} PUBLIC ${root})
    target_link_libraries(${target} PUBLIC ${LAYER_LINKS})
    kova_set_options(${target})
endfunction()
