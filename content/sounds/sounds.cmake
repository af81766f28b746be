# Sounds: every description content/sounds/<name>.txt is rendered by
# zesynth into main/sounds/<name>.ogg. A new description is picked up by
# the next build; each sound is redone only when its description or the
# tool changed.
file(MAKE_DIRECTORY ${WRENZO_MAIN_DIR}/sounds)
file(GLOB WRENZO_SOUND_DESCRIPTIONS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/sounds/*.txt)
list(SORT WRENZO_SOUND_DESCRIPTIONS)
foreach(description ${WRENZO_SOUND_DESCRIPTIONS})
  get_filename_component(sound ${description} NAME_WE)
  set(output ${WRENZO_MAIN_DIR}/sounds/${sound}.ogg)
  add_custom_command(OUTPUT ${output}
    COMMAND zesynth ${description} ${output}
    DEPENDS zesynth ${description}
    COMMENT "Rendering sounds/${sound}.ogg"
    VERBATIM)
  list(APPEND WRENZO_DATA_OUTPUTS ${output})
endforeach()
