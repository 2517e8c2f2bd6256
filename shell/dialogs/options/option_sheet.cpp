// The options sheet and its two buttons.
#include "shell/dialogs/options/option_sheet.hpp"

#include <QPushButton>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/welcome_text.hpp"
#include "shell/dialogs/options/options_analysis_page.hpp"
#include "shell/dialogs/options/options_chromosome_page.hpp"
#include "shell/dialogs/options/options_clustering_page.hpp"
#include "shell/dialogs/options/options_model_page.hpp"
#include "shell/services/text_conversion.hpp"

OptionSheet::OptionSheet(QWidget* parent)
    : PropertySheet(QStringLiteral("Options"), parent), mValues(CurrentOptionValues()) {
  setObjectName(QStringLiteral("optionSheet"));
  AddPage(new OptionsClusteringPage(mValues, this), QStringLiteral("Clustering"));
  AddPage(new OptionsAnalysisPage(mValues, this), QStringLiteral("Analysis"));
  AddPage(new OptionsModelPage(mValues, this), QStringLiteral("Model"));
  AddPage(new OptionsChromosomePage(mValues, this), QStringLiteral("Chromosome"));

  auto* reset = new QPushButton(QStringLiteral("Reset Default"));
  reset->setObjectName(ControlName(kResetDefaultButton));
  auto* print = new QPushButton(QStringLiteral("Print Settings"));
  print->setObjectName(ControlName(kPrintSettingsButton));
  AddButtonAtLeft(reset);
  AddButtonAtLeft(print);
  connect(reset, &QPushButton::clicked, this, &OptionSheet::ResetDefault);
  connect(print, &QPushButton::clicked, this, &OptionSheet::PrintSettings);

  const int page = mValues.settings.OPTION_PAGE;
  SetStartPage(page >= 0 && page < kOptionsPageCount ? page : kClusteringOptionsPageIndex);
}

void OptionSheet::accept() {
  if (PropertyPage* page = Page(ActiveIndex()); page != nullptr && !page->OnKillActive()) return;
  mValues.settings.OPTION_PAGE = ActiveIndex();
  QDialog::accept();
}

void OptionSheet::ResetDefault() {
  Group& group = TheGroup();
  // An empty name reads no file: every setting takes its default.
  group.ReadGroupSettings("");
  mValues.settings = group.Settings();
  mValues.pmOnly = PmOnly;
  for (int index = 0; index < PageCount(); ++index) Page(index)->OnSetActive();
  group.WriteGroupSettings();
}

void OptionSheet::PrintSettings() {
  // The file lags behind the settings until the next command writes it.
  TheGroup().WriteGroupSettings();
  WriteSettingsSnapshot();
}
