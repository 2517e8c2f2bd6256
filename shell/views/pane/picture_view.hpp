// A right-pane view that draws a picture says what View/Export Image exports: its default
// file name, its whole picture's size and the routine that draws it.
#pragma once

#include "shell/dialogs/image/image_export.hpp"

class PictureView {
 public:
  virtual ~PictureView() = default;
  virtual PictureExport ExportPicture() = 0;
};
