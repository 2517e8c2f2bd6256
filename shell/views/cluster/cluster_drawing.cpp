// Drawing the cluster view's picture.
#include "shell/views/cluster/cluster_drawing.hpp"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/base/value_color.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/info/gene_info.hpp"
#include "genes/info/term_table.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

constexpr COLORREF kBlue = kSelectedBranchMark;
constexpr int kProfileInset = 3;
constexpr int kProfileLabelRoom = 15;
constexpr int kProfilePointSize = 7;
constexpr int kProfileFontHeight = 15;

QFont ArialFont(int pixelHeight) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(std::max(1, pixelHeight));
  return font;
}

// Arial of a height and an average character width, as the picture's narrow labels are.
QFont ArialFont(int pixelHeight, int averageWidth) {
  QFont font = ArialFont(pixelHeight);
  const int natural = QFontMetrics(font).averageCharWidth();
  if (natural > 0) font.setStretch(std::clamp(100 * std::max(1, averageWidth) / natural, 1, 4000));
  return font;
}

// Labels are never drawn smaller than the desktop's smallest readable font, whatever the
// cells' size; where cells are smaller, only every few rows or columns get a label.
int ReadableLabelHeight() {
  return std::max(
      1, QFontInfo(QFontDatabase::systemFont(QFontDatabase::SmallestReadableFont)).pixelSize());
}

int LabelHeight(float slot) {
  return std::max(static_cast<int>(slot), ReadableLabelHeight());
}

// Every how many slots a label of that height fits without overlapping the one before.
int LabelStride(int labelHeight, float slot) {
  return slot >= static_cast<float>(labelHeight)
             ? 1
             : static_cast<int>(std::ceil(static_cast<float>(labelHeight) / std::max(1.0f, slot)));
}

float CellHeight(const GroupSettings& settings) {
  return std::max(1.0f, settings.PIXEL_HT_);
}

// The point a node is drawn at; the sample tree follows the band's offset.
QPoint NodePoint(const CLUSTER& tree, int node, int offsetY) {
  const CLUSTER_NODE& n = tree.Node(node);
  return {n.screenX, n.screenY + offsetY};
}

// The stub from a child to its parent's spine, across the tree's direction.
void DrawStub(QPainter& painter, const CLUSTER& tree, int parent, int child, bool geneTree,
              int offsetY) {
  const QPoint p = NodePoint(tree, parent, offsetY);
  const QPoint c = NodePoint(tree, child, offsetY);
  if (geneTree)
    painter.drawLine(p.x(), c.y(), c.x(), c.y());
  else
    painter.drawLine(c.x(), p.y(), c.x(), c.y());
}

// Draws a subtree with right-angle connectors: for the gene tree the spine of a node is
// vertical at its x, for the sample tree horizontal at its y. The stub from the subtree's
// top to its parent is drawn too, so that a selected leaf shows. With setMarks every leaf
// takes mark; returns the leaf count.
int DrawBranch(QPainter& painter, CLUSTER& tree, int top, bool geneTree, int offsetY, bool setMarks,
               COLORREF mark) {
  const auto connect = [&](int node, int child) {
    DrawStub(painter, tree, node, child, geneTree, offsetY);
  };
  if (const int parent = tree.Node(top).parent; tree.ValidNode(parent)) connect(parent, top);
  int leaves = 0;
  std::vector<int> stack{top};
  while (!stack.empty()) {
    const int node = stack.back();
    stack.pop_back();
    CLUSTER_NODE& n = tree.Node(node);
    if (node < tree.n) {
      if (setMarks) n.mark = mark;
      ++leaves;
      continue;
    }
    if (!tree.ValidNode(n.child1) || !tree.ValidNode(n.child2)) continue;
    const QPoint p = NodePoint(tree, node, offsetY);
    const QPoint a = NodePoint(tree, n.child1, offsetY);
    const QPoint b = NodePoint(tree, n.child2, offsetY);
    if (geneTree)
      painter.drawLine(p.x(), a.y(), p.x(), b.y());
    else
      painter.drawLine(a.x(), p.y(), b.x(), p.y());
    connect(node, n.child1);
    connect(node, n.child2);
    stack.push_back(n.child2);
    stack.push_back(n.child1);
  }
  return leaves;
}

// The whole tree, then the selection and the coloured branches (unperturbed), or the
// best-matching branch and the marked leaves' stubs (after resampling).
void DrawTree(QPainter& painter, CLUSTER& tree, bool geneTree, int offsetY, int lineWidth,
              const QColor& lineColour, bool unperturbed) {
  const QPen plain(lineColour, lineWidth);
  const QPen blue(ToQColor(kBlue), lineWidth);
  painter.setPen(plain);
  if (unperturbed) {
    DrawBranch(painter, tree, tree.Root(), geneTree, offsetY, true, 0);
    tree.markedTotal = 0;
    if (tree.ValidNode(tree.currentNode)) {
      painter.setPen(blue);
      tree.markedTotal =
          DrawBranch(painter, tree, tree.currentNode, geneTree, offsetY, true, kBlue);
    }
    for (int k = 0; k < tree.coloredCount && k < kMaxColoredBranches; ++k) {
      const int node = tree.coloredNodes[static_cast<std::size_t>(k)];
      if (!tree.ValidNode(node)) continue;
      const COLORREF colour = tree.coloredColors[static_cast<std::size_t>(k)];
      painter.setPen(QPen(ToQColor(colour), lineWidth));
      DrawBranch(painter, tree, node, geneTree, offsetY, true, colour);
    }
    return;
  }
  DrawBranch(painter, tree, tree.Root(), geneTree, offsetY, false, 0);
  if (tree.ValidNode(tree.bestNode)) {
    painter.setPen(blue);
    DrawBranch(painter, tree, tree.bestNode, geneTree, offsetY, false, 0);
  }
  for (int leaf = 0; leaf < tree.n; ++leaf) {
    const int parent = tree.Node(leaf).parent;
    if (!tree.ValidNode(parent)) continue;
    painter.setPen(tree.Node(leaf).mark == kBlue ? blue : plain);
    DrawStub(painter, tree, parent, leaf, geneTree, offsetY);
  }
}

int GeneNodeOfRow(const CLUSTER& genes, int row) {
  return HasGeneDendrogram() ? genes.RowNode(row) : row;
}

int SampleOfColumn(const CLUSTER* samples, int column) {
  return samples != nullptr ? samples->RowNode(column) : column;
}

std::string GeneLabel(int unit, const GroupSettings& settings) {
  const std::string probeSet = unit >= 0 && unit < static_cast<int>(Layout.units.size())
                                   ? Layout.units[static_cast<std::size_t>(unit)].name
                                   : std::string();
  const GENE_INFO* gene = GeneInfo.Loaded() ? GeneInfo.Gene(unit) : nullptr;
  if (gene == nullptr) return probeSet;
  const std::string text(settings.LOCUS_LINK_NAME != 0 ? gene->Name : gene->Description);
  return settings.CLUSTER_SHOW_PROBE_SET != 0 ? probeSet + ", " + text : text;
}

bool HasSelectedTerm(int unit) {
  if (!GeneInfo.Loaded() || GeneInfo.selectedColumn < 0 || GeneInfo.selectedTerm < 0) return false;
  const GENE_INFO* gene = GeneInfo.Gene(unit);
  return gene != nullptr && HasTerm(*gene, GeneInfo.selectedTerm, GeneInfo.selectedColumn);
}

int TermColumns(const GroupSettings& settings) {
  return GeneInfo.Loaded() && settings.FUNC_BAR_WD != 0 ? GeneInfo.numColumns : 0;
}

void DrawRotated(QPainter& painter, int x, int y, const QString& text) {
  painter.save();
  painter.translate(x, y);
  painter.rotate(-90);
  painter.drawText(QPoint(0, painter.fontMetrics().ascent()), text);
  painter.restore();
}

void DrawMatrix(QPainter& painter, const CLUSTER& genes, const CLUSTER* samples,
                const ClusterGeometry& g, const GroupSettings& settings) {
  const float cell = CellHeight(settings);
  const QRect clip = painter.clipBoundingRect().toAlignedRect();
  for (int row = 0; row < genes.n; ++row) {
    const int top = ClusterRowTop(g, cell, row);
    const int bottom = ClusterRowTop(g, cell, row + 1);
    if (!clip.isEmpty() && (bottom < clip.top() || top > clip.bottom())) continue;
    const std::vector<double>& profile = genes.Node(GeneNodeOfRow(genes, row)).profile;
    for (int column = 0; column < genes.m; ++column) {
      const int sample = SampleOfColumn(samples, column);
      const double value = sample >= 0 && sample < static_cast<int>(profile.size())
                               ? profile[static_cast<std::size_t>(sample)]
                               : MISSING_VALUE;
      painter.fillRect(QRect(g.matrixLeft + column * settings.PIXEL_WD, top, settings.PIXEL_WD,
                             std::max(1, bottom - top)),
                       ToQColor(ClusterValueColor(value)));
    }
  }
}

void DrawSupport(QPainter& painter, const CLUSTER& genes, const CLUSTER* samples,
                 const ClusterGeometry& g, const GroupSettings& settings, int rounds, int offsetY) {
  if (rounds <= 0) return;
  const float cell = CellHeight(settings);
  const auto grey = [rounds](int support) {
    const int level = std::clamp(255 - support * 255 / rounds, 0, 255);
    return QColor(level, level, level);
  };
  if (HasGeneDendrogram()) {
    for (int row = 0; row < genes.n; ++row)
      painter.fillRect(
          QRect(settings.DENDRO_WD + settings.PIXEL_WD / 2, ClusterRowTop(g, cell, row),
                settings.PIXEL_WD, std::max(1, static_cast<int>(cell))),
          grey(genes.Node(genes.RowNode(row)).support));
  }
  if (samples == nullptr) return;
  for (int column = 0; column < samples->n; ++column)
    painter.fillRect(QRect(g.matrixLeft + column * settings.PIXEL_WD,
                           offsetY + settings.DENDRO_HT / 2 + static_cast<int>(cell / 2),
                           settings.PIXEL_WD, std::max(1, static_cast<int>(cell))),
                     grey(samples->Node(samples->RowNode(column)).support));
}

void DrawSampleNames(QPainter& painter, const CLUSTER& genes, const CLUSTER* samples,
                     const ClusterGeometry& g, const GroupSettings& settings,
                     const ClusterDrawState& state, const QColor& ink) {
  const int height = LabelHeight(static_cast<float>(settings.PIXEL_WD));
  const int stride = LabelStride(height, static_cast<float>(settings.PIXEL_WD));
  painter.setFont(ArialFont(height, height / 2));
  for (int column = 0; column < genes.m; column += stride) {
    const int sample = SampleOfColumn(samples, column);
    if (sample < 0 || sample >= SampleGrouping.SampleCount()) continue;
    const bool selected =
        state.selectedInfoColumn >= 0 &&
        SampleInfo.HasCategory(SampleGrouping.GetSampleArray(sample), state.selectedInfoColumn,
                               state.selectedInfoCategory);
    painter.setPen(selected ? ToQColor(kBlue) : ink);
    DrawRotated(painter, g.matrixLeft + column * settings.PIXEL_WD,
                state.bandOffset + settings.DENDRO_HT,
                ToQString(SampleGrouping.SampleName(sample)));
  }
}

void DrawTermBars(QPainter& painter, const CLUSTER& genes, const ClusterGeometry& g,
                  const GroupSettings& settings, int offsetY) {
  const int columns = TermColumns(settings);
  if (columns == 0) return;
  const float cell = CellHeight(settings);
  const int barWidth = settings.FUNC_BAR_WD * settings.PIXEL_WD;
  painter.setFont(ArialFont(LabelHeight(static_cast<float>(settings.PIXEL_WD))));
  for (int column = 0; column < columns; ++column) {
    const int left = g.matrixRight + (column * (settings.FUNC_BAR_WD + 1) + 1) * settings.PIXEL_WD;
    painter.setPen(column == GeneInfo.selectedColumn ? ToQColor(kBlue) : QColor(Qt::black));
    DrawRotated(
        painter,
        g.matrixRight + (column * (settings.FUNC_BAR_WD + 1) + settings.FUNC_BAR_WD / 2 + 1) *
                            settings.PIXEL_WD,
        offsetY + settings.DENDRO_HT,
        ToQString(GeneInfo.columnNames[static_cast<std::size_t>(column)]));
    const TERM_TABLE& table = TermTables[static_cast<std::size_t>(column)];
    for (int row = 0; row < genes.n; ++row) {
      const int unit = genes.Node(GeneNodeOfRow(genes, row)).item;
      const std::span<const std::int16_t> terms = GeneInfo.TermIndices(unit, column);
      if (terms.empty()) continue;
      const int part = (barWidth - 2) / static_cast<int>(terms.size());
      const int top = ClusterRowTop(g, cell, row);
      const int height = std::max(1, ClusterRowTop(g, cell, row + 1) - top);
      for (std::size_t k = 0; k < terms.size(); ++k) {
        if (terms[k] < 0 || terms[k] >= table.Count()) continue;
        painter.fillRect(QRect(left + static_cast<int>(k) * part, top, std::max(1, part), height),
                         ToQColor(table.Colour(terms[k])));
      }
    }
  }
  if (GeneInfo.selectedColumn >= 0 && GeneInfo.selectedColumn < columns &&
      GeneInfo.selectedTerm >= 0) {
    const TERM_TABLE& table = TermTables[static_cast<std::size_t>(GeneInfo.selectedColumn)];
    if (GeneInfo.selectedTerm < table.Count()) {
      painter.setPen(ToQColor(kBlue));
      painter.drawText(QPoint(g.labelLeft, g.matrixTop - 2),
                       ToQString(table.Name(GeneInfo.selectedTerm)));
    }
  }
}

void DrawGeneLabels(QPainter& painter, const CLUSTER& genes, const ClusterGeometry& g,
                    const GroupSettings& settings) {
  const float cell = CellHeight(settings);
  const int height = LabelHeight(cell);
  const int stride = LabelStride(height, cell);
  painter.setFont(ArialFont(height, height / 2));
  const QFontMetrics metrics = painter.fontMetrics();
  const int room = std::max(0, g.scrollWidth - g.labelLeft);
  const QRect clip = painter.clipBoundingRect().toAlignedRect();
  for (int row = 0; row < genes.n; row += stride) {
    const int top = ClusterRowTop(g, cell, row);
    if (!clip.isEmpty() && (top > clip.bottom() || top + height < clip.top())) continue;
    const int unit = genes.Node(GeneNodeOfRow(genes, row)).item;
    painter.setPen(HasSelectedTerm(unit) ? ToQColor(kBlue) : QColor(Qt::black));
    const QString text =
        metrics.elidedText(ToQString(GeneLabel(unit, settings)), Qt::ElideRight, room);
    painter.drawText(QPoint(g.labelLeft, top + metrics.ascent()), text);
  }
}

void DrawSampleInfo(QPainter& painter, const CLUSTER& genes, const CLUSTER* samples,
                    const ClusterGeometry& g, const GroupSettings& settings,
                    const ClusterDrawState& state) {
  const int rows = SampleInfo.ColumnCount();
  if (settings.PIXEL_HT2 <= 0 || rows == 0) return;
  const int nameHeight = LabelHeight(static_cast<float>(settings.PIXEL_HT2));
  const int nameStride = LabelStride(nameHeight, static_cast<float>(settings.PIXEL_HT2));
  const QFont letters = ArialFont(settings.PIXEL_HT2);
  for (int info = 0; info < rows; ++info) {
    const int top = state.bandOffset + g.sampleInfoTop + info * settings.PIXEL_HT2;
    const SampleInfoColumn& column = SampleInfo.Column(info);
    painter.setPen(info == state.selectedInfoColumn ? ToQColor(kBlue) : QColor(Qt::black));
    if (info % nameStride == 0) {
      painter.setFont(ArialFont(nameHeight));
      painter.drawText(QPoint(g.labelLeft, top + painter.fontMetrics().ascent()),
                       ToQString(column.name));
    }
    // The first letters sit inside their cells, at the cells' size: in cells too small
    // to read them they are left out.
    painter.setFont(letters);
    for (int c = 0; c < genes.m; ++c) {
      const int sample = SampleOfColumn(samples, c);
      if (sample < 0 || sample >= SampleGrouping.SampleCount()) continue;
      const int array = SampleGrouping.GetSampleArray(sample);
      const QRect box(g.matrixLeft + c * settings.PIXEL_WD, top, settings.PIXEL_WD,
                      settings.PIXEL_HT2);
      if (column.numeric) {
        painter.fillRect(box,
                         ToQColor(ClusterValueColor(SampleInfo.StandardizedValue(array, info))));
        continue;
      }
      const int category = SampleInfo.CategoryOf(array, info);
      if (category < 0 || category >= column.CategoryCount()) continue;
      const SampleCategory& entry = column.categories[static_cast<std::size_t>(category)];
      painter.fillRect(box, ToQColor(entry.colour));
      if (settings.SHOW_FIRST_LETTER > 0 && settings.PIXEL_HT2 >= ReadableLabelHeight()) {
        painter.drawText(
            box, Qt::AlignCenter,
            ToQString(entry.name.substr(0, static_cast<std::size_t>(settings.SHOW_FIRST_LETTER))));
      }
    }
  }
}

void DrawColorScale(QPainter& painter, const CLUSTER& genes, const ClusterGeometry& g,
                    const GroupSettings& settings) {
  const int width = genes.m * settings.PIXEL_WD;
  const int steps = std::max(2, width / (5 * std::max(1, settings.PIXEL_HT2 / 2)));
  const int stepWidth = width / (steps + 1);
  const int height = std::max(1, settings.PIXEL_HT2);
  const int top = g.matrixBottom + settings.PIXEL_HT2;
  painter.setFont(ArialFont(LabelHeight(static_cast<float>(height))));
  painter.setPen(Qt::black);
  const QFontMetrics metrics = painter.fontMetrics();
  int labelsEnd = std::numeric_limits<int>::min();
  for (int t = 0; t <= steps; ++t) {
    const double value = (2.0 * t / steps - 1.0) * settings.DISPLAY_RANGE;
    const QRect box(g.matrixLeft + t * stepWidth, top, stepWidth, height);
    painter.fillRect(box, ToQColor(ClusterValueColor(value)));
    const bool whole = std::fabs(value) >= 10.0 || value == 0.0;
    const QString label = ToQString(MessageBuffer(whole ? "%.0f" : "%.1f", value));
    const int left = box.center().x() - metrics.horizontalAdvance(label) / 2;
    // A label that would run into the one before is left out.
    if (left < labelsEnd) continue;
    labelsEnd = left + metrics.horizontalAdvance(label) + metrics.averageCharWidth();
    painter.drawText(QPoint(left, box.bottom() + 1 + metrics.ascent()), label);
  }
}

// The profile of the selected branch, or of one gene, in a framed box.
void DrawProfile(QPainter& painter, CLUSTER& genes, const CLUSTER* samples, int node,
                 const QRect& box, const GroupSettings& settings) {
  painter.fillRect(box, Qt::white);
  painter.setPen(Qt::black);
  painter.drawRect(box);
  const QRect area = box.adjusted(kProfileInset, kProfileInset + kProfileLabelRoom, -kProfileInset,
                                  -kProfileInset);
  if (genes.m <= 0 || area.height() <= 0) return;
  const CLUSTER_NODE& n = genes.Node(node);
  const bool leaf = node < genes.n;
  std::vector<double> values(static_cast<std::size_t>(genes.m), MISSING_VALUE);
  std::vector<double> spread(values.size(), MISSING_VALUE);
  double low = -settings.DISPLAY_RANGE;
  double high = settings.DISPLAY_RANGE;
  QString label;
  if (leaf) {
    double smallest = 0.0;
    double largest = 0.0;
    bool any = false;
    for (int j = 0; j < genes.m && j < static_cast<int>(n.values.size()); ++j) {
      const double v = n.values[static_cast<std::size_t>(j)];
      if (IsMissing(v)) continue;
      values[static_cast<std::size_t>(j)] = v;
      smallest = any ? std::min(smallest, v) : v;
      largest = any ? std::max(largest, v) : v;
      any = true;
    }
    low = 0.0;
    high = largest;
    label = ToQString(MessageBuffer("Y value range: (%.1f, %.1f)", smallest, largest));
  } else {
    genes.BranchSpread(node);
    for (int j = 0; j < genes.m && j < static_cast<int>(n.profile.size()); ++j) {
      values[static_cast<std::size_t>(j)] = n.profile[static_cast<std::size_t>(j)];
      if (j < static_cast<int>(n.errors.size()))
        spread[static_cast<std::size_t>(j)] = n.errors[static_cast<std::size_t>(j)];
    }
    label = ToQString(MessageBuffer("Y display range: (%1.f, %1.f)", -settings.DISPLAY_RANGE,
                                    settings.DISPLAY_RANGE));
  }
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(kProfileFontHeight);
  painter.setFont(font);
  painter.drawText(QPoint(box.left() + kProfileInset, box.top() + painter.fontMetrics().ascent()),
                   label);
  if (!(high > low)) high = low + 1.0;
  const double step = static_cast<double>(area.width()) / genes.m;
  const auto yOf = [&](double v) {
    return area.bottom() - (std::clamp(v, low, high) - low) / (high - low) * area.height();
  };
  QPointF previous;
  bool joined = false;
  for (int j = 0; j < genes.m; ++j) {
    const int sample = SampleOfColumn(samples, j);
    const double v =
        sample >= 0 && sample < genes.m ? values[static_cast<std::size_t>(sample)] : MISSING_VALUE;
    if (IsMissing(v)) {
      joined = false;
      continue;
    }
    const bool marked = samples != nullptr && samples->Node(sample).mark == kBlue;
    painter.setPen(marked ? ToQColor(kBlue) : QColor(Qt::black));
    const QPointF at(area.left() + step * (j + 0.5), yOf(v));
    if (joined) painter.drawLine(previous, at);
    painter.drawEllipse(at, kProfilePointSize / 2.0, kProfilePointSize / 2.0);
    const double s = spread[static_cast<std::size_t>(sample)];
    if (!IsMissing(s)) painter.drawLine(QPointF(at.x(), yOf(v - s)), QPointF(at.x(), yOf(v + s)));
    previous = at;
    joined = true;
  }
  // Without a sample tree the columns keep their blocks; their bounds are drawn.
  if (samples == nullptr && genes.options.blockStarts.size() >= 2) {
    painter.setPen(Qt::black);
    for (std::size_t b = 1; b < genes.options.blockStarts.size(); ++b) {
      const double x = area.left() + step * genes.options.blockStarts[b];
      painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }
  }
}

void DrawBrackets(QPainter& painter, CLUSTER& genes, const CLUSTER* samples,
                  const ClusterGeometry& g, const GroupSettings& settings, bool unperturbed,
                  int offsetY) {
  const float cell = CellHeight(settings);
  const QPen blue(ToQColor(kBlue), 1);
  const int branch = unperturbed ? genes.currentNode : genes.bestNode;
  if (HasGeneDendrogram() && genes.markedTotal > 0 && genes.ValidNode(branch)) {
    int first = 0;
    int last = 0;
    genes.BranchEnds(branch, &first, &last);
    const int top = ClusterRowTop(g, cell, first);
    const int bottom = ClusterRowTop(g, cell, last + 1);
    const int x = g.matrixRight + settings.PIXEL_WD / 2;
    painter.setPen(blue);
    painter.drawLine(x, top, x, bottom);
    painter.drawLine(g.matrixLeft, top, x, top);
    painter.drawLine(g.matrixLeft, bottom, x, bottom);
    painter.drawLine(genes.Node(branch).screenX, genes.Node(branch).screenY, g.matrixLeft,
                     genes.Node(branch).screenY);
    if (settings.SHOW_PROFILE != 0 && unperturbed)
      DrawProfile(painter, genes, samples, branch,
                  QRect(g.labelLeft, bottom + static_cast<int>(cell / 2), settings.DENDRO_WD,
                        settings.DENDRO_HT),
                  settings);
  }
  if (samples == nullptr || samples->markedTotal <= 0 || !samples->ValidNode(samples->currentNode))
    return;
  int first = 0;
  int last = 0;
  samples->BranchEnds(samples->currentNode, &first, &last);
  const int left = g.matrixLeft + first * settings.PIXEL_WD;
  const int right = g.matrixLeft + (last + 1) * settings.PIXEL_WD;
  const int y = g.matrixBottom + settings.PIXEL_HT2 / 2;
  painter.setPen(blue);
  painter.drawLine(left, y, right, y);
  painter.drawLine(left, offsetY + g.matrixTop, left, y);
  painter.drawLine(right, offsetY + g.matrixTop, right, y);
}

}  // namespace

bool HasGeneDendrogram() {
  const CLUSTER* genes = GeneTree();
  return genes != nullptr && genes->options.clusterGenes;
}

COLORREF ClusterValueColor(double value) {
  const GroupSettings& settings = TheGroup().Settings();
  return ValueToColor(value, settings.DISPLAY_RANGE, settings.GREEN_RED != 0);
}

int ClusterRowTop(const ClusterGeometry& geometry, float cellHeight, int row) {
  return geometry.matrixTop + static_cast<int>(static_cast<float>(row) * cellHeight);
}

std::vector<int> ClusterBranchLeaves(const CLUSTER& tree, int node) {
  std::vector<int> leaves;
  if (!tree.ValidNode(node)) return leaves;
  std::vector<int> stack{node};
  while (!stack.empty()) {
    const int at = stack.back();
    stack.pop_back();
    if (at < tree.n) {
      leaves.push_back(at);
      continue;
    }
    const CLUSTER_NODE& n = tree.Node(at);
    if (tree.ValidNode(n.child2)) stack.push_back(n.child2);
    if (tree.ValidNode(n.child1)) stack.push_back(n.child1);
  }
  return leaves;
}

void MarkClusterBranches(CLUSTER& tree) {
  for (int leaf = 0; leaf < tree.n; ++leaf) tree.Node(leaf).mark = 0;
  const auto mark = [&tree](int node, COLORREF colour) {
    for (const int leaf : ClusterBranchLeaves(tree, node)) tree.Node(leaf).mark = colour;
  };
  mark(tree.currentNode, kBlue);
  for (int k = 0; k < tree.coloredCount && k < kMaxColoredBranches; ++k)
    mark(tree.coloredNodes[static_cast<std::size_t>(k)],
         tree.coloredColors[static_cast<std::size_t>(k)]);
}

void PlaceClusterNodes(const ClusterGeometry& geometry, const GroupSettings& settings) {
  const double scale = DendrogramHeightScale(settings.DIST_MEASURE);
  const float cell = CellHeight(settings);
  if (CLUSTER* genes = GeneTree()) {
    for (CLUSTER_NODE& node : genes->nodes) {
      node.screenX = GeneNodeX(node.height, scale, settings.DENDRO_WD);
      node.screenY = static_cast<int>(cell * node.position) + geometry.matrixTop;
    }
  }
  if (CLUSTER* samples = SampleTree()) {
    for (CLUSTER_NODE& node : samples->nodes) {
      node.screenX = static_cast<int>(settings.PIXEL_WD * node.position) + geometry.matrixLeft;
      node.screenY = SampleNodeY(node.height, scale, settings.DENDRO_HT);
    }
  }
}

void DrawClusterPicture(QPainter& painter, const ClusterDrawState& state) {
  CLUSTER* genes = GeneTree();
  if (genes == nullptr || AnalysisRunning != 0) return;
  CLUSTER* samples = SampleTree();
  const GroupSettings& settings = TheGroup().Settings();
  const ClusterGeometry& g = state.geometry;
  const int s = state.bandOffset;
  // Over the matrix's colours a white band stays readable after scrolling.
  const QColor bandInk = settings.GREEN_RED != 0 && s > 0 ? QColor(Qt::white) : QColor(Qt::black);

  DrawMatrix(painter, *genes, samples, g, settings);
  if (HasGeneDendrogram())
    DrawTree(painter, *genes, true, 0, g.geneLineWidth, Qt::black, state.unperturbed);
  if (samples != nullptr)
    DrawTree(painter, *samples, false, s, g.sampleLineWidth, bandInk, state.unperturbed);
  DrawSupport(painter, *genes, samples, g, settings, state.rounds, s);
  painter.setBackgroundMode(Qt::TransparentMode);
  DrawSampleNames(painter, *genes, samples, g, settings, state, bandInk);
  DrawTermBars(painter, *genes, g, settings, s);
  DrawGeneLabels(painter, *genes, g, settings);
  DrawSampleInfo(painter, *genes, samples, g, settings, state);
  DrawColorScale(painter, *genes, g, settings);
  DrawBrackets(painter, *genes, samples, g, settings, state.unperturbed, s);
  // Without a sample tree the columns keep their "Standardize" blocks: lines between them.
  if (samples == nullptr && genes->options.blockStarts.size() >= 2) {
    painter.setPen(Qt::black);
    for (std::size_t b = 1; b < genes->options.blockStarts.size(); ++b) {
      const int x = g.matrixLeft + genes->options.blockStarts[b] * settings.PIXEL_WD;
      painter.drawLine(x, g.matrixTop, x, g.matrixBottom);
    }
  }
}
