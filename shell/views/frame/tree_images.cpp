// Draws the navigation tree's 16-pixel images: a coloured tile with a mark, so the
// kinds of item (views, arrays, outputs) tell apart at a glance.
#include "shell/views/frame/tree_images.hpp"

#include <QPainter>
#include <QPixmap>

#include "shell/resource_ids.hpp"

namespace {

struct ImageLook {
  int index;
  QColor tile;
  const char* mark;
};

const ImageLook kLooks[] = {
    {tree_image::kArray, QColor(90, 140, 90), ""},
    {tree_image::kCelImage, QColor(40, 110, 40), "C"},
    {tree_image::kAnalysis, QColor(30, 80, 170), "A"},
    {tree_image::kProbeData, QColor(150, 90, 30), "D"},
    {tree_image::kClustering, QColor(170, 40, 40), "H"},
    {tree_image::kOutputTable, QColor(120, 120, 120), "T"},
    {tree_image::kOutlierArray, QColor(220, 40, 40), "!"},
    {tree_image::kOutputImage, QColor(120, 60, 150), "I"},
    {tree_image::kSampleClusterTerm, QColor(200, 120, 40), "S"},
    {tree_image::kGenome, QColor(20, 130, 130), "G"},
    {tree_image::kLda, QColor(110, 60, 160), "L"},
    {tree_image::kRCommand, QColor(40, 90, 140), "R"},
    {tree_image::kSnp, QColor(160, 50, 120), "S"},
    {tree_image::kChromosome, QColor(60, 120, 170), "X"},
    {tree_image::kPathway, QColor(60, 150, 60), "P"},
    {tree_image::kPlots, QColor(180, 140, 20), "M"},
};

QPixmap DrawImage(const QColor& tile, const char* mark) {
  QPixmap picture(16, 16);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(tile.darker(140));
  painter.setBrush(tile);
  painter.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
  if (*mark != '\0') {
    QFont font = painter.font();
    font.setPixelSize(10);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString::fromLatin1(mark));
  }
  return picture;
}

}  // namespace

QIcon TreeImage(int index) {
  for (const ImageLook& look : kLooks)
    if (look.index == index) return QIcon(DrawImage(look.tile, look.mark));
  return QIcon(DrawImage(QColor(160, 160, 160), ""));
}
