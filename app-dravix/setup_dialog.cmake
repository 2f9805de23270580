# The box set-up dialog, part of the viewer's library.
target_sources(dravix_app PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/setup_checks.h
  ${CMAKE_CURRENT_LIST_DIR}/setup_checks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/setup_dialog.h
  ${CMAKE_CURRENT_LIST_DIR}/setup_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/setup_dialog.ui
  ${CMAKE_CURRENT_LIST_DIR}/setup_held.cpp
  ${CMAKE_CURRENT_LIST_DIR}/setup_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/setup_sdcard.cpp
)
