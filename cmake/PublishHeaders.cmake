# tessaly_publish_headers(<target>)
#
# Makes the target's own headers, and no other file of the tree, includable as
# "<folder>/<Header.h>" by the target and by whatever links it, where <folder> is the target's
# folder under the top of the tree (queue, tests/support, ...). So "engine/X.h" resolves only
# where tessaly_engine is linked, and a Qt Core library cannot reach a desktop header that lives
# in the same folder. The headers are the ones listed among the target's sources.
#
# Each header is published as a one-line forwarding header in the build tree that includes the
# real one by its path relative to the forwarder. Unlike a symbolic link, it needs no privilege
# on any host and no special file system; unlike a copy, it never goes stale when the header is
# edited; and its text is the same in every checkout laid out alike, so compiler caches shared
# between checkouts still hit. Errors and debuggers name the real header.
function(tessaly_publish_headers target)
    cmake_path(RELATIVE_PATH CMAKE_CURRENT_SOURCE_DIR BASE_DIRECTORY ${PROJECT_SOURCE_DIR}
               OUTPUT_VARIABLE folder)
    set(root ${CMAKE_BINARY_DIR}/published/${target})
    get_target_property(sources ${target} SOURCES)
    list(FILTER sources INCLUDE REGEX "\\.h$")
    set(forwarders)
    # The compiler follows ".." through links physically, so the relative path is taken
    # between real paths: a build folder that is a link to elsewhere still finds the sources.
    file(MAKE_DIRECTORY ${root}/${folder})
    file(REAL_PATH ${root}/${folder} forwarder_folder)
    foreach(header ${sources})
        file(REAL_PATH ${header} real BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
        file(RELATIVE_PATH real ${forwarder_folder} ${real})
        cmake_path(GET header FILENAME name)
        set(forwarder ${root}/${folder}/${name})
        # Written only when the text changes, so a new configure rebuilds nothing.
        file(CONFIGURE OUTPUT ${forwarder} CONTENT "#include \"${real}\"\n" @ONLY)
        list(APPEND forwarders ${forwarder})
    endforeach()
    # A header taken out of the target is no longer published.
    file(GLOB_RECURSE stale ${root}/*)
    list(REMOVE_ITEM stale ${forwarders})
    if(stale)
        file(REMOVE ${stale})
    endif()

    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${root})
    else()
        target_include_directories(${target} PUBLIC ${root})
    endif()
endfunction()
