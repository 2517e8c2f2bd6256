// The export image dialog.
#include "shell/dialogs/image/export_image_dialog.hpp"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/ok_cancel_row.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/image_export_choices.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

QRadioButton* Radio(const char* text, int id, QButtonGroup* group, int value, QLayout* layout) {
  auto* radio = new QRadioButton(QString::fromUtf8(text));
  radio->setObjectName(ControlName(id));
  group->addButton(radio, value);
  layout->addWidget(radio);
  return radio;
}

}  // namespace

ExportImageDialog::ExportImageDialog(const std::string& fileName, QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Export image")) {
  auto* layout = new QVBoxLayout(this);

  auto* method = new QGroupBox(QStringLiteral("Export method"));
  auto* methodLayout = new QVBoxLayout(method);
  mMethod = new QButtonGroup(this);
  Radio("Export to file", kExportToFile, mMethod, 0, methodLayout);
  mFileButton = new QPushButton;
  mFileButton->setObjectName(ControlName(kFileButton));
  methodLayout->addWidget(mFileButton);
  Radio("&Copy to clipboard (BMP or EMF format)", kCopyToClipboard, mMethod, 1, methodLayout);
  layout->addWidget(method);

  auto* format = new QGroupBox(QStringLiteral("Image format"));
  auto* formatLayout = new QVBoxLayout(format);
  mFormat = new QButtonGroup(this);
  Radio("&BMP (Windows Bitmap; as seen on screen)", kFormatBmp, mFormat, kImageFormatBmp,
        formatLayout);
  Radio("&JPG (JPEG Compressed Image; web viewing)", kFormatJpg, mFormat, kImageFormatJpg,
        formatLayout);
  Radio("&EMF (Windows Enhanced Metafile; publishing quality)", kFormatEmf, mFormat,
        kImageFormatEmf, formatLayout);
  layout->addWidget(format);

  auto* note = new QLabel(QStringLiteral(
      "The exported files can be \"Insert/Picture/From File\" into Word or Powerpoint"));
  note->setWordWrap(true);
  layout->addWidget(note);
  auto* help = ManualLink("export-image", this);
  layout->addWidget(help);
  AddOkCancelRow(*this, *layout);

  mMethod->button(ExportToClipboard != 0 ? 1 : 0)->setChecked(true);
  const int chosen = ExportImageFormat >= kImageFormatBmp && ExportImageFormat <= kImageFormatEmf
                         ? ExportImageFormat
                         : kImageFormatBmp;
  mFormat->button(chosen)->setChecked(true);
  mFileName = WithImageExtension(fileName, chosen);
  ShowFileName();

  connect(mFormat, &QButtonGroup::idClicked, this, &ExportImageDialog::ChooseFormat);
  connect(mFileButton, &QPushButton::clicked, this, &ExportImageDialog::ChooseFile);
}

void ExportImageDialog::ChooseFormat(int format) {
  ExportImageFormat = format;
  mFileName = WithImageExtension(mFileName, format);
  ShowFileName();
}

void ExportImageDialog::ChooseFile() {
  FileDialogRequest request;
  request.open = false;
  request.startFile = mFileName;
  request.defaultExtension = ImageExtension(mFormat->checkedId());
  request.promptOverwrite = true;
  if (const std::optional<std::string> chosen = Prompts().FileName(request)) {
    mFileName = *chosen;
    ShowFileName();
  }
}

void ExportImageDialog::ShowFileName() {
  mFileButton->setText(ToQString(mFileName));
}

void ExportImageDialog::StoreChoices() const {
  ExportToClipboard = mMethod->checkedId() == 1 ? 1 : 0;
  ExportImageFormat = mFormat->checkedId();
}
