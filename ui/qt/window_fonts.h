// The fonts of the main window.
#pragma once

#include <QFont>

namespace veltrano::qt {

// Point size of the scan log and the status strip.
inline constexpr qreal kLogFontPointSize = 10.5;
// Point size of the menu bar.
inline constexpr qreal kMenuFontPointSize = 9.0;

// "宋体" (SimSun) at `pointSize`, regular weight. Where SimSun is not
// installed (Linux) the first Song-style CJK font found stands in for it, so
// Chinese text never shows as empty boxes.
QFont SongFont(qreal pointSize);

}  // namespace veltrano::qt
