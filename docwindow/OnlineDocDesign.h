// The documentation window as designed: headings, the link entries (six catalogue
// places, the HTML documentation, the reader installer) and the document image.
#pragma once

#include "ui/Window.h"

namespace autorun {

// The design's controls.
inline constexpr ui::ControlId lblTopics{"lblTopics"};
inline constexpr ui::ControlId lblCases{"lblCases"};
inline constexpr ui::ControlId InstAcrobat{"InstAcrobat"};

inline constexpr ui::Colour ColorDocLink = 0x00FF0000;
inline constexpr ui::Colour ColorDocGrey = 0x00808080;
inline constexpr ui::Colour ColorInstaller = 0x000000FF;

// The catalogue's places are lblCases 0 to 5; element 6 is the HTML documentation.
inline constexpr int kCataloguePlaces = 6;
inline constexpr int kHtmlFormatIndex = 6;
inline constexpr int kInstAcrobatIndex = 19;

const ui::WindowDesign& OnlineDocDesign();

} // namespace autorun
