// The launcher window as designed: a splash picture, two text buttons and a
// description line. The behaviour that changes it lives in frmAutoRun.
#pragma once

#include "ui/Window.h"

namespace autorun {

// The design's controls.
inline constexpr ui::ControlId lblBtnText{"lblBtnText"};
inline constexpr ui::ControlId lblDescr{"lblDescr"};

inline constexpr ui::Colour ColorBtnNormal = 0x000040C0;
inline constexpr ui::Colour ColorBtnHover = 0x00C00000;

const ui::WindowDesign& AutoRunDesign();

} // namespace autorun
