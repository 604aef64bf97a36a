# rv_library(NAME DIR [DEPS ...]): one static library per folder, built from
# every .cpp in that folder (main.cpp excluded), with the project root as its
# include root so that headers are included as "store/archive-writer.h".
function(rv_library name dir)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
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
endfunction()

# rv_tests(LIB DIR): one GoogleTest executable per *-test.cpp file in DIR,
# linked with LIB, each test case registered with CTest. Files in DIR that
# are not tests (fixtures, helpers) are compiled into every executable.
function(rv_tests lib dir)
    file(GLOB tests CONFIGURE_DEPENDS ${dir}/*-test.cpp)
    file(GLOB helpers CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(FILTER helpers EXCLUDE REGEX "-test\\.cpp$")
    foreach(test ${tests})
        get_filename_component(stem ${test} NAME_WE)
        get_filename_component(group ${dir} NAME)
        set(target ${group}-${stem})
        add_executable(${target} ${test} ${helpers})
        target_link_libraries(${target} PRIVATE ${lib} rv_test_support GTest::gtest_main GTest::gmock)
        set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
        gtest_discover_tests(${target} TEST_PREFIX "${group}." DISCOVERY_TIMEOUT 60)
    endforeach()
endfunction()
