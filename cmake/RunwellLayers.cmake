# One static library per folder of the core and of the window. A layer's headers are included as
# "<folder>/Header.h", and a library sees only the folders of the libraries it links: each layer's
# public include folder holds a single link named after the layer, pointing at its sources. An
# include that runs against the layering therefore fails to compile ("No such file"), however
# harmless it looks (docs/architecture.md).
#
#   runwell_layer(<name> FOLDER <path below the source tree> [INCLUDE_AS <spelling>]
#                 SOURCES <files...> [DEPENDS <layers and libraries...>])
#
# The library is runwell_<name>; INCLUDE_AS is how its folder is spelt in an include (default:
# the folder's last part).
function(runwell_layer name)
    cmake_parse_arguments(PARSE_ARGV 1 LAYER "" "FOLDER;INCLUDE_AS" "SOURCES;DEPENDS")
    if(NOT LAYER_INCLUDE_AS)
        get_filename_component(LAYER_INCLUDE_AS ${LAYER_FOLDER} NAME)
    endif()
    set(source_dir ${PROJECT_SOURCE_DIR}/${LAYER_FOLDER})
    set(include_root ${PROJECT_BINARY_DIR}/layers/${name})
    get_filename_component(link_parent ${include_root}/${LAYER_INCLUDE_AS} DIRECTORY)
    file(MAKE_DIRECTORY ${link_parent})
    file(CREATE_LINK ${source_dir} ${include_root}/${LAYER_INCLUDE_AS} SYMBOLIC)

    list(TRANSFORM LAYER_SOURCES PREPEND ${source_dir}/)
    add_library(runwell_${name} STATIC ${LAYER_SOURCES})
    target_include_directories(runwell_${name} PUBLIC ${include_root})
    target_link_libraries(runwell_${name} PUBLIC ${LAYER_DEPENDS} PRIVATE runwell_warnings)
endfunction()
