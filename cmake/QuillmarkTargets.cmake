# One static library per folder. Widget code lives in files named *Dialog, *Window, *Widget, *Ui,
# MainWindow* or TrayIcon, which go into a separate "<name>_ui" library so that the command line and
# the tests link no widgets.
set(QM_WIDGET_FILE_REGEX "/(MainWindow[^/]*|TrayIcon|[^/]*Dialog|[^/]*Window|[^/]*Widget|[^/]*Ui)\\.(cpp|h)$")

function(qm_library name)
    cmake_parse_arguments(ARG "" "" "DEPS;UI_DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    set(core_sources ${sources})
    set(ui_sources ${sources})
    list(FILTER core_sources EXCLUDE REGEX "${QM_WIDGET_FILE_REGEX}")
    list(FILTER ui_sources INCLUDE REGEX "${QM_WIDGET_FILE_REGEX}")
    if(NOT core_sources)
        set(core_sources ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
    endif()
    add_library(${name} STATIC ${core_sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC Qt6::Core ${ARG_DEPS})
    if(ui_sources)
        add_library(${name}_ui STATIC ${ui_sources})
        target_include_directories(${name}_ui PUBLIC ${CMAKE_SOURCE_DIR})
        target_link_libraries(${name}_ui PUBLIC ${name} Qt6::Widgets ${ARG_UI_DEPS})
    endif()
endfunction()
