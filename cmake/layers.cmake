# One static library per source folder. A folder may include headers only
# of the folders it names as DEPENDS, and those must already be declared,
# so the declarations below read bottom-up and cannot form a cycle. The
# include check runs before anything is compiled: a header of a folder not
# named there fails the build.
#
#   orvanta_layer(<folder> [DEPENDS <folder>...] [WIN32_LIBS <lib>...])
#
# Files ending in _win32.cpp belong to the Windows tree only.

set_property(GLOBAL PROPERTY ORVANTA_LAYERS "")

function(orvanta_layer folder)
    cmake_parse_arguments(LAYER "" "" "DEPENDS;WIN32_LIBS" ${ARGN})
    foreach(dependency IN LISTS LAYER_DEPENDS)
        if(NOT TARGET orvanta_${dependency})
            message(FATAL_ERROR "layer ${folder} depends on ${dependency}, which is not declared below it")
        endif()
    endforeach()
    file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp)
    list(FILTER sources EXCLUDE REGEX "/main_win32\\.cpp$")
    if(NOT WIN32)
        list(FILTER sources EXCLUDE REGEX "_win32\\.cpp$")
    endif()
    set(target orvanta_${folder})
    if(sources)
        add_library(${target} STATIC ${sources})
        target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
        list(TRANSFORM LAYER_DEPENDS PREPEND orvanta_ OUTPUT_VARIABLE linked)
        target_link_libraries(${target} PUBLIC ${linked})
        if(WIN32)
            target_link_libraries(${target} PUBLIC ${LAYER_WIN32_LIBS})
        endif()
        orvanta_warnings(${target})
        set_property(GLOBAL APPEND PROPERTY ORVANTA_LAYER_LIBRARIES ${target})
    else()
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
        list(TRANSFORM LAYER_DEPENDS PREPEND orvanta_ OUTPUT_VARIABLE linked)
        target_link_libraries(${target} INTERFACE ${linked})
    endif()
    list(JOIN LAYER_DEPENDS "," dependencies)
    set_property(GLOBAL APPEND PROPERTY ORVANTA_LAYERS "${folder}:${dependencies}")
endfunction()

# Declared after the layers: checks every file of src/ against them.
function(orvanta_layer_check)
    get_property(layers GLOBAL PROPERTY ORVANTA_LAYERS)
    list(JOIN layers "|" layers)
    file(GLOB_RECURSE checked CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/*.cpp ${PROJECT_SOURCE_DIR}/src/*.h)
    set(stamp ${CMAKE_BINARY_DIR}/layers.checked)
    add_custom_command(OUTPUT ${stamp}
                       COMMAND ${CMAKE_COMMAND} "-DLAYERS=${layers}" -DSOURCE_DIR=${PROJECT_SOURCE_DIR}/src
                               -DSTAMP=${stamp} -P ${PROJECT_SOURCE_DIR}/cmake/check_layers.cmake
                       DEPENDS ${checked} ${PROJECT_SOURCE_DIR}/cmake/check_layers.cmake
                       COMMENT "Checking that no source folder includes one above it" VERBATIM)
    add_custom_target(orvanta_layer_check DEPENDS ${stamp})
    get_property(libraries GLOBAL PROPERTY ORVANTA_LAYER_LIBRARIES)
    foreach(library IN LISTS libraries)
        add_dependencies(${library} orvanta_layer_check)
    endforeach()
endfunction()
