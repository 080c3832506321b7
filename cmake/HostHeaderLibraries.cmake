# Header-only libraries of the build machine, for a cross build. Their folder is made visible
# on its own: the build machine's whole include folder would hide the target's C library.
function(vlp_host_header_library target header_folder)
  set(visible ${CMAKE_BINARY_DIR}/host-headers/${target})
  get_filename_component(name ${header_folder} NAME)
  file(MAKE_DIRECTORY ${visible})
  file(CREATE_LINK ${header_folder} ${visible}/${name} SYMBOLIC)
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  target_include_directories(${target} SYSTEM INTERFACE ${visible})
endfunction()

vlp_host_header_library(nlohmann_json::nlohmann_json /usr/include/nlohmann)
