# Options, language files and the about box.
# zv_langfile: the language-file reader (core: plain C++, no Qt).
add_library(zv_langfile STATIC ${CMAKE_CURRENT_LIST_DIR}/ProfileFile.cpp)
target_include_directories(zv_langfile PUBLIC ${CMAKE_SOURCE_DIR}/src)

# zv_ui: the Qt forms, the link controls and the translation component.
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets)
add_library(zv_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/AboutPictures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AutoStartEntry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BrevonImage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BrevonLabel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BrevonLanguage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BrevonSpeedImage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BrevonSpeedLabel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BrevonURLImage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BrevonURLLabel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OptionControls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PointerLabel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ShortCutKeys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmAbout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmOption.cpp
  # Headers of QObject classes, listed so that AUTOMOC sees them.
  ${CMAKE_CURRENT_LIST_DIR}/BrevonImage.h
  ${CMAKE_CURRENT_LIST_DIR}/BrevonLabel.h
  ${CMAKE_CURRENT_LIST_DIR}/BrevonLanguage.h
  ${CMAKE_CURRENT_LIST_DIR}/BrevonSpeedImage.h
  ${CMAKE_CURRENT_LIST_DIR}/BrevonSpeedLabel.h
  ${CMAKE_CURRENT_LIST_DIR}/BrevonURLImage.h
  ${CMAKE_CURRENT_LIST_DIR}/BrevonURLLabel.h
  ${CMAKE_CURRENT_LIST_DIR}/OptionControls.h
  ${CMAKE_CURRENT_LIST_DIR}/PointerLabel.h
  ${CMAKE_CURRENT_LIST_DIR}/frmAbout.h
  ${CMAKE_CURRENT_LIST_DIR}/frmOption.h)
set_target_properties(zv_ui PROPERTIES AUTOMOC ON)
target_include_directories(zv_ui PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zv_ui PUBLIC Qt6::Core Qt6::Gui Qt6::Widgets zv_langfile zv_settings zv_keys)

# The language files (UTF-8) go to <bin>/Language, beside the programs, and are installed to
# share/zorvane/Language.
file(GLOB ZORVANE_LANGUAGE_FILES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/Language/*.dat)
set(zv_language_outputs)
foreach(language_file ${ZORVANE_LANGUAGE_FILES})
  get_filename_component(language_name ${language_file} NAME)
  set(output ${ZORVANE_BIN_DIR}/Language/${language_name})
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ZORVANE_BIN_DIR}/Language
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${language_file} ${output}
    DEPENDS ${language_file}
    COMMENT "Language file ${language_name}")
  list(APPEND zv_language_outputs ${output})
endforeach()
add_custom_target(zv_language_files ALL DEPENDS ${zv_language_outputs})
add_dependencies(zv_ui zv_language_files)
install(FILES ${ZORVANE_LANGUAGE_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/zorvane/Language)
