# Plain helpers every core unit may use: the comma-text option fields, Latin-1 text, the clock, the
# wheel-notch counter and the keys the display server keeps (no Qt, no X11, no OpenGL). Clock.h is
# header-only.
add_library(zv_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CommaText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Latin1.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReservedKeys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WheelSteps.cpp)
target_include_directories(zv_core PUBLIC ${CMAKE_SOURCE_DIR}/src)
