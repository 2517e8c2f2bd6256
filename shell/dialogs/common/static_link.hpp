// The hyperlink text of dialogs: underlined, blue until visited and purple after, with a
// hand pointer; a click opens its address through OpenLink.
#pragma once

#include <QLabel>

#include <string>

#include "engine/base/colour.hpp"

inline constexpr COLORREF kLinkUnvisitedColour = RGB(0, 0, 255);
inline constexpr COLORREF kLinkVisitedColour = RGB(128, 0, 128);

class CStaticLink final : public QLabel {
  Q_OBJECT
 public:
  // The address may be set later (most dialogs do it when they start).
  CStaticLink(const QString& text, std::string address, QWidget* parent);

  void SetLink(std::string address) { mLink = std::move(address); }
  const std::string& Link() const { return mLink; }
  COLORREF TextColour() const { return mColour; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void ApplyColour();

  std::string mLink;
  COLORREF mColour = kLinkUnvisitedColour;
};
