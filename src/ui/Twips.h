#pragma once
// The windows keep their design positions, given in twips (1/1440 inch):
// 15 twips are one device-independent pixel, so a layout drawn at 96 dpi
// scales with the desktop's scale factor.

#include <QFont>
#include <QRect>
#include <QWidget>

namespace vyr {

constexpr int Px(int twips) { return (twips + 7) / 15; }

inline void Place(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(QRect(Px(left), Px(top), Px(width), Px(height)));
}

// The panel's text size: 8.25 point at 96 dpi, in pixels so that it scales
// with the positions.
inline QFont PanelFont(bool bold = false, int pixels = 11) {
  QFont f;
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

}  // namespace vyr
