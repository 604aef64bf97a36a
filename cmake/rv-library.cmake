# rv_library(NAME DIR [DEPS ...]): one static library per folder, built from
# every .cpp in that folder (main.cpp excluded) and its .ui forms and .qrc
# resources, with the project root as its include root so that headers are
# included as "store/archive-writer.h".
#
# A library that links Qt Widgets, directly or through another such library,
# is a widgets library: moc, uic and rcc run on it (AUTOMOC, AUTOUIC,
# AUTORCC), and on every program its folder builds from it, and on the test
# executables that rv_tests links with it.
function(rv_library name dir)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.ui ${dir}/*.qrc)
    list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
    if(sources)
        add_library(${name} STATIC ${sources})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    else()
        # A folder with headers only so far.
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    endif()
    rv_uses_widgets(widgets ${ARG_DEPS})
    if(widgets)
        set_property(TARGET ${name} PROPERTY RV_WIDGETS ON)
        if(sources)
            rv_qt_autogen(${name})
        endif()
        # The folder's programs are added after this call; look at them once
        # the folder's CMakeLists.txt is done (EVAL passes the name now, not
        # the variable).
        cmake_language(EVAL CODE "cmake_language(DEFER CALL rv_autogen_programs [[${name}]])")
    endif()
endfunction()

# rv_uses_widgets(OUT LIBS...): OUT is true when one of LIBS is Qt Widgets or
# a widgets library made by rv_library.
function(rv_uses_widgets out)
    set(result OFF)
    foreach(lib ${ARGN})
        if(lib STREQUAL "Qt6::Widgets")
            set(result ON)
        elseif(TARGET ${lib})
            get_property(marked TARGET ${lib} PROPERTY RV_WIDGETS)
            if(marked)
                set(result ON)
            endif()
        endif()
    endforeach()
    set(${out} ${result} PARENT_SCOPE)
endfunction()

function(rv_qt_autogen target)
    set_target_properties(${target} PROPERTIES AUTOMOC ON AUTOUIC ON AUTORCC ON)
endfunction()

# Turns moc, uic and rcc on for the executables of the current folder that
# link the widgets library LIB.
function(rv_autogen_programs lib)
    get_property(targets DIRECTORY PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target ${targets})
        get_property(type TARGET ${target} PROPERTY TYPE)
        get_property(links TARGET ${target} PROPERTY LINK_LIBRARIES)
        if(type STREQUAL "EXECUTABLE" AND lib IN_LIST links)
            rv_qt_autogen(${target})
        endif()
    endforeach()
endfunction()

# rv_tests(LIB DIR): one GoogleTest executable per *-test.cpp file in DIR,
# linked with LIB, each test case registered with CTest. Files in DIR that
# are not tests (fixtures, helpers) are compiled into every executable.
function(rv_tests lib dir)
    file(GLOB tests CONFIGURE_DEPENDS ${dir}/*-test.cpp)
    file(GLOB helpers CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(FILTER helpers EXCLUDE REGEX "-test\\.cpp$")
    rv_uses_widgets(widgets ${lib})
    foreach(test ${tests})
        get_filename_component(stem ${test} NAME_WE)
        get_filename_component(group ${dir} NAME)
        set(target ${group}-${stem})
        add_executable(${target} ${test} ${helpers})
        target_link_libraries(${target} PRIVATE ${lib} rv_test_support GTest::gtest_main GTest::gmock)
        set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
        if(widgets)
            rv_qt_autogen(${target})
        endif()
        gtest_discover_tests(${target} TEST_PREFIX "${group}." DISCOVERY_TIMEOUT 60)
    endforeach()
endfunction()
