// The navigation tree in the left pane: one top-level item per right-pane view that has
// something to show, the group's arrays under "CEL Image", clustering results under
// "Clustering" and written files under "Analysis". Selecting an item moves the right pane.
#pragma once

#include <QTreeWidget>

#include <array>
#include <string>
#include <vector>

#include "shell/resource_ids.hpp"

class ShellFrame;

// The item data role that holds an item's image index (tree_image::k...).
inline constexpr int kTreeImageRole = Qt::UserRole + 1;
// The role that holds a clustering item's index among the functional clusters.
inline constexpr int kFunctionalClusterRole = Qt::UserRole + 2;

class CLeftView final : public QTreeWidget {
  Q_OBJECT
 public:
  CLeftView(ShellFrame& frame, QWidget* parent);
  // The output-file items go with the tree, so the table forgets them.
  ~CLeftView() override;

  // "Analysis", "R command" when SHOW_R_ICON is set, and the 100 ms pane timer.
  void OnInitialUpdate();

  // The items of a newly opened group, then "Analysis" selected.
  void AddGroupItems();
  // Each array item's image: outlier (more than 5 % outlier cells in a modelled group)
  // or plain.
  void RefreshArrayImages();
  // Removes every item of the group: arrays, clustering items, output files and the view
  // items other than "Analysis" and "R command".
  void RemoveGroupItems();

  // The tree item of a view, nullptr when the view has none.
  QTreeWidgetItem* ViewItem(int index) const { return mViewItems[static_cast<std::size_t>(index)]; }
  // Adds the top-level item of a view (replacing one it had) and returns it.
  QTreeWidgetItem* InsertViewItem(int index, const QString& label, int image);
  // Removes the top-level item of a view with its children.
  void DeleteViewItem(int index);
  // Makes the view's item the selected one (which shows the view).
  void SelectViewItem(int index);
  // Makes the array's item under "CEL Image" the selected one.
  void SelectArrayItem(int array);

  // A written file, as the last child of "Analysis".
  QTreeWidgetItem* AddOutputFileItem(const std::string& label, int image);
  // A clustering result under "Clustering".
  QTreeWidgetItem* AddClusteringItem(const QString& label, int image);
  int ClusteringItemCount() const { return static_cast<int>(mClusteringItems.size()); }
  int PreviousClusteringItemCount() const { return mPreviousClusteringCount; }
  const std::vector<QTreeWidgetItem*>& ArrayItems() const { return mArrayItems; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // A press on an output-file item opens the file without moving the selection there.
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  void OnSelectionChanged(QTreeWidgetItem* current);
  // Opens output file `file` and keeps the current view's item selected.
  void OpenOutputFile(int file);
  int ViewIndexOf(const QTreeWidgetItem* item) const;
  int ArrayImage(int array) const;

  ShellFrame& mFrame;
  std::array<QTreeWidgetItem*, NUM_VIEWS> mViewItems{};
  std::vector<QTreeWidgetItem*> mArrayItems;
  std::vector<QTreeWidgetItem*> mClusteringItems;
  int mPreviousClusteringCount = 0;
  int mPaneTimer = 0;
};
