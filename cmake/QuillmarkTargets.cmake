# One static library per folder, from the sources it names. The folder's windows (UI_SOURCES) go into
# a separate "<name>_ui" library on top of it, built only with QUILLMARK_GUI, so that the command line
# and the core tests link no widgets.
function(qm_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;UI_SOURCES;UI_DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC Qt6::Core ${ARG_DEPS})
    if(QUILLMARK_GUI AND ARG_UI_SOURCES)
        add_library(${name}_ui STATIC ${ARG_UI_SOURCES})
        target_include_directories(${name}_ui PUBLIC ${CMAKE_SOURCE_DIR})
        target_link_libraries(${name}_ui PUBLIC ${name} Qt6::Widgets ${ARG_UI_DEPS})
    endif()
endfunction()
