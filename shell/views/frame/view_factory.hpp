// The makers of the right-pane views 1 to 10, one per view index, used the first time a
// view is shown. A view whose own class is not there yet is a plain stand-in.
#pragma once

class CAnalysisDoc;
class QWidget;
class ShellFrame;

// What a new view is made with: every view shares the one log document.
struct ViewContext {
  int index;
  CAnalysisDoc& document;
  ShellFrame& frame;
};

// A new view for index 1 to 10, without a parent; nullptr for any other index.
QWidget* MakeRightView(const ViewContext& context);
