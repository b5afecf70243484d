# The shared fixtures sit beside the main repository; a worktree one folder further down finds them there too.
set(PELKO_SHARED_FIXTURES_DIR "${PROJECT_SOURCE_DIR}/../shared/fixtures")
if(NOT EXISTS "${PELKO_SHARED_FIXTURES_DIR}" AND EXISTS "${PROJECT_SOURCE_DIR}/../../shared/fixtures")
    set(PELKO_SHARED_FIXTURES_DIR "${PROJECT_SOURCE_DIR}/../../shared/fixtures")
endif()

# pelko_add_test(NAME <name> SOURCES <files...> LIBRARIES <targets...> [LABEL <label>] [TIMEOUT <s>])
# Every test runs headless on the offscreen platform with its own label and time-out.
function(pelko_add_test)
    cmake_parse_arguments(ARG "" "NAME;LABEL;TIMEOUT" "SOURCES;LIBRARIES" ${ARGN})
    if(NOT ARG_LABEL)
        get_filename_component(ARG_LABEL "${CMAKE_CURRENT_SOURCE_DIR}" NAME)
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE pelko_options Qt6::Test ${ARG_LIBRARIES})
    target_compile_definitions(${ARG_NAME} PRIVATE
        PELKO_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
        PELKO_SHARED_FIXTURES="${PELKO_SHARED_FIXTURES_DIR}")
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME})
    set_tests_properties(${ARG_NAME} PROPERTIES
        LABELS "${ARG_LABEL}"
        TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
endfunction()
