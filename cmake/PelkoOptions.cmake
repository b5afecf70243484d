# One interface target carries the language level, warnings and Qt hygiene for every target.
add_library(pelko_options INTERFACE)
target_compile_features(pelko_options INTERFACE cxx_std_20)
target_compile_options(pelko_options INTERFACE
    -Wall -Wextra -Wpedantic -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual
    $<$<BOOL:${PELKO_WERROR}>:-Werror>
    # GCC 12 drops the store of a variable's first value when a later assignment to it, inside a try block, throws
    # before it happens: the error trap would hand back uninitialised results. GCC 13 and Clang are right.
    $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-fno-tree-dse>)
target_compile_definitions(pelko_options INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_FOREACH
    QT_USE_QSTRINGBUILDER
    QT_DISABLE_DEPRECATED_BEFORE=0x060400)

if(PELKO_SANITIZE)
    target_compile_options(pelko_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(pelko_options INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

# pelko_library(<name> SOURCES <files...> LIBRARIES <public deps...>): one static library per source folder,
# with src/ (and the generated headers) as the include root.
function(pelko_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/src/generated)
    target_link_libraries(${name} PUBLIC pelko_options ${ARG_LIBRARIES})
endfunction()
