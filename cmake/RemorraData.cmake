# Read-only data the program looks for beside its own file first, then in its
# installed data folder (REMORRA_DATA_DIR).
set(REMORRA_DATA_FILES ${CMAKE_SOURCE_DIR}/data/Original.xml)

# Copies the data files into a build folder that holds executables.
function(remorra_copy_data dir)
  foreach(f IN LISTS REMORRA_DATA_FILES)
    get_filename_component(name ${f} NAME)
    configure_file(${f} ${dir}/${name} COPYONLY)
  endforeach()
endfunction()
foreach(bin_dir IN ITEMS "" qt tools)
  remorra_copy_data(${CMAKE_BINARY_DIR}/${bin_dir})
endforeach()
