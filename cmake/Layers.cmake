# The folders of src/ in road order. Each builds one static library, vse<folder>,
# that links the one before it and sees only its own headers and those of the
# folders before it: headers are included as "folder/Name.h" from an include
# root of the library's own, a folder of the build tree with links to those
# folders and no others, so that an include that runs up the road does not
# compile. tests/road checks that it stays so.
set(VSE_LAYERS model io editor view app)

# Called by each folder's CMakeLists.txt with its sources.
function(vse_add_layer)
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  list(FIND VSE_LAYERS ${folder} depth)
  if(depth LESS 0)
    message(FATAL_ERROR "src/${folder} is not on the road: give it its place in VSE_LAYERS")
  endif()
  set(root ${PROJECT_BINARY_DIR}/layers/${folder})
  file(MAKE_DIRECTORY ${root})
  foreach(i RANGE ${depth})
    list(GET VSE_LAYERS ${i} seen)
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${seen} ${root}/${seen} SYMBOLIC)
  endforeach()
  add_library(vse${folder} STATIC ${ARGN})
  target_include_directories(vse${folder} PUBLIC ${root})
  if(depth GREATER 0)
    math(EXPR below "${depth} - 1")
    list(GET VSE_LAYERS ${below} below)
    target_link_libraries(vse${folder} PUBLIC vse${below})
  endif()
endfunction()
