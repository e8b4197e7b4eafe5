# Helpers shared by the source, test and benchmark folders.

# The layers point downwards only: base <- engine <- app and base <- ui <-
# controls <- app (and base <- engine <- the console program). Each library's
# include root holds its own folder alone (a link to it under the build
# folder), and a library sees the roots of the libraries it uses, so an
# include of a higher layer ("app/..." from ui) does not compile.
function(sf_include_root target folder)
    get_filename_component(leaf "${folder}" NAME)
    set(root "${PROJECT_BINARY_DIR}/include-roots/${leaf}")
    if(NOT EXISTS "${root}/${leaf}")
        file(MAKE_DIRECTORY "${root}")
        file(CREATE_LINK "${folder}" "${root}/${leaf}" SYMBOLIC)
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE "${root}")
    else()
        target_include_directories(${target} PUBLIC "${root}")
    endif()
endfunction()

# sf_library(name folder deps...): a static library of every .cpp in a folder.
function(sf_library name folder)
    file(GLOB sources CONFIGURE_DEPENDS "${folder}/*.cpp")
    if(sources)
        add_library(${name} STATIC ${sources})
        target_compile_options(${name} PRIVATE ${SF_WARNINGS})
        target_link_libraries(${name} PUBLIC ${ARGN})
    else()
        add_library(${name} INTERFACE)
        target_link_libraries(${name} INTERFACE ${ARGN})
    endif()
    sf_include_root(${name} "${folder}")
endfunction()
