# Helpers shared by the source, test and benchmark folders.

# sf_library(name folder deps...): a static library of every .cpp in a folder.
function(sf_library name folder)
    file(GLOB sources CONFIGURE_DEPENDS "${folder}/*.cpp")
    if(sources)
        add_library(${name} STATIC ${sources})
        target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
        target_compile_options(${name} PRIVATE ${SF_WARNINGS})
        target_link_libraries(${name} PUBLIC ${ARGN})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE "${PROJECT_SOURCE_DIR}/src")
        target_link_libraries(${name} INTERFACE ${ARGN})
    endif()
endfunction()
