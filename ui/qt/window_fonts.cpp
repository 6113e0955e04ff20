#include "ui/qt/window_fonts.h"

#include <QStringList>

namespace veltrano::qt {

QFont SongFont(qreal pointSize) {
  QFont font;
  // SimSun first, then the Song (Ming) style fonts of Linux distributions,
  // then any Simplified Chinese font, so that a CJK face always wins over a
  // Latin default that would draw boxes.
  font.setFamilies({
      QStringLiteral("宋体"),
      QStringLiteral("SimSun"),
      QStringLiteral("NSimSun"),
      QStringLiteral("AR PL UMing CN"),
      QStringLiteral("AR PL SungtiL GB"),
      QStringLiteral("Noto Serif CJK SC"),
      QStringLiteral("Noto Sans CJK SC"),
      QStringLiteral("WenQuanYi Zen Hei"),
      QStringLiteral("Droid Sans Fallback"),
  });
  font.setPointSizeF(pointSize);
  font.setWeight(QFont::Normal);
  font.setStyleHint(QFont::Serif);
  return font;
}

}  // namespace veltrano::qt
