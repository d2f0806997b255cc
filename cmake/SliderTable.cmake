# Writes OUT, a C++ header with the ranges and start values of the window's sliders, read
# from FORM (the window's stored description), so that the command line and its usage text
# take the very values the window's sliders have. Run at build time by facetmint_app.
file(READ ${FORM} _form)

# _slider(NAME): "Min, Max, ViewportSize, Frequency" in _range and Value in _start, from the
# lines of the object NAME before its first nested object.
function(_slider name)
  string(REGEX MATCH "object ${name}: TpmTrackBar\n([^\n]*\n)*" _rest "${_form}")
  if(NOT _rest)
    message(FATAL_ERROR "${FORM}: no slider named ${name}")
  endif()
  string(REGEX MATCH "^object [^\n]*\n(( *[A-Za-z.]+ = [^\n]*\n)*)" _block "${_rest}")
  set(_props "${CMAKE_MATCH_1}")
  foreach(_p Min Max ViewportSize Frequency Value)
    if(_props MATCHES "\n? *${_p} = (-?[0-9.]+)\n")
      set(_${_p} ${CMAKE_MATCH_1})
    else()
      message(FATAL_ERROR "${FORM}: slider ${name} has no ${_p}")
    endif()
  endforeach()
  set(_range "${_Min}, ${_Max}, ${_ViewportSize}, ${_Frequency}" PARENT_SCOPE)
  set(_start "${_Value}" PARENT_SCOPE)
endfunction()

set(_out "// Generated at build time from app/forms/main_form.txt: the window's sliders.\n")
string(APPEND _out "#pragma once\n\n#include \"ui/track_value.h\"\n\n")
# Component name in the form, name in the code.
foreach(_pair "TrackBar1:Distance" "modelRotateX:ModelRotate" "shadowDirTrack:ShadowDir"
              "shadowDistTrack:ShadowDist" "shadowOpacityTrack:ShadowOpacity"
              "shadowSoftnessTrack:ShadowSoftness")
  string(REPLACE ":" ";" _pair "${_pair}")
  list(GET _pair 0 _name)
  list(GET _pair 1 _const)
  _slider(${_name})
  string(APPEND _out "// ${_name}\n")
  string(APPEND _out "inline constexpr TpmTrackRange k${_const}Track{${_range}};\n")
  string(APPEND _out "inline constexpr float k${_const}Start = ${_start};\n")
endforeach()
# The three rotation sliders share one rule in the code.
_slider(modelRotateX)
set(_x "${_range} ${_start}")
foreach(_axis Y Z)
  _slider(modelRotate${_axis})
  if(NOT "${_range} ${_start}" STREQUAL "${_x}")
    message(FATAL_ERROR "${FORM}: modelRotate${_axis} differs from modelRotateX")
  endif()
endforeach()

# Only a changed table touches the file, so that its users are not rebuilt for nothing.
if(EXISTS ${OUT})
  file(READ ${OUT} _old)
endif()
if(NOT "${_old}" STREQUAL "${_out}")
  file(WRITE ${OUT} "${_out}")
endif()
