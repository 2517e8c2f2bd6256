// Crossing between the engine's 8-bit texts and colours and the toolkit's.
#pragma once

#include <QColor>
#include <QString>

#include <string>
#include <string_view>

#include "engine/base/colour.hpp"

inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string FromQString(const QString& text) {
  return text.toStdString();
}

inline QColor ToQColor(COLORREF colour) {
  return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

inline COLORREF ToColorRef(const QColor& colour) {
  return RGB(colour.red(), colour.green(), colour.blue());
}

// The object name that carries a control id, as tests look for it.
inline QString ControlName(int id) {
  return QStringLiteral("c%1").arg(id);
}
