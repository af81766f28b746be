# Sounds: content/sounds/<name>.txt -> main/sounds/<name>.ogg.
file(MAKE_DIRECTORY ${WRENZO_MAIN_DIR}/sounds)
