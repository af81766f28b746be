# Models: every content/models/<name>.txt is compiled by zemodelc into
# main/models/<name>.zmf, and the models are packed into wrenzo.models.
# Files whose name starts with "_" are pieces that descriptions include,
# not models of their own.
#
# A model is rebuilt when the compiler, its description or any file the
# description includes (followed through nested includes) changes. The
# include lines are read when CMake configures, and every description is a
# configure dependency, so editing an include line re-reads them.
file(GLOB WRENZO_MODEL_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/models/*.txt)
list(SORT WRENZO_MODEL_SOURCES)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${WRENZO_MODEL_SOURCES})

# Appends to the list named by `out` every file `description` includes,
# directly or through other includes.
function(wrenzo_model_includes description out)
  set(found ${${out}})
  file(STRINGS ${description} lines REGEX "^[ \t]*include[ \t]*=")
  get_filename_component(folder ${description} DIRECTORY)
  foreach(line ${lines})
    string(REGEX REPLACE "^[ \t]*include[ \t]*=[ \t]*([^ \t#]+).*$" "\\1" name "${line}")
    set(included ${folder}/${name})
    if(EXISTS ${included} AND NOT included IN_LIST found)
      list(APPEND found ${included})
      wrenzo_model_includes(${included} found)
    endif()
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

set(WRENZO_MODEL_FILES "")
foreach(description ${WRENZO_MODEL_SOURCES})
  get_filename_component(name ${description} NAME_WE)
  if(name MATCHES "^_")
    continue()
  endif()
  set(includes "")
  wrenzo_model_includes(${description} includes)
  set(model ${WRENZO_MAIN_DIR}/models/${name}.zmf)
  add_custom_command(OUTPUT ${model}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${WRENZO_MAIN_DIR}/models
    COMMAND zemodelc ${description} ${model}
    DEPENDS zemodelc ${description} ${includes}
    COMMENT "Compiling models/${name}.zmf"
    VERBATIM)
  list(APPEND WRENZO_MODEL_FILES ${model})
endforeach()

if(WRENZO_MODEL_FILES)
  wrenzo_pack(wrenzo.models ${WRENZO_MAIN_DIR} ${WRENZO_MODEL_FILES})
  list(APPEND WRENZO_DATA_OUTPUTS ${WRENZO_MODEL_FILES} ${WRENZO_MAIN_DIR}/wrenzo.models)
endif()
