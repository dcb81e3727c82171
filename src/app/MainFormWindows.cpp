// The windows the main window opens, and the grid's title clicks and double-click.
#include "AboutForm.h"
#include "DirectForm.h"
#include "ExportWindow.h"
#include "MainForm.h"
#include "RecordForm.h"
#include "SettingsKeys.h"
#include "Table.h"
#include "WidgetText.h"

namespace lw {

void TMainForm::ExportActionExecute() {
  if (FSearching) return;
  OpenExportWindow(this, FSharedData.get(), FDataSource.get(),
                   Setting(keys::kProductName) + QStringLiteral(" - Export"));
  ActionListUpdate();
}

void TMainForm::UpdateActionExecute() {
  // The update wizard is not part of this program yet; the action stays disabled.
}

void TMainForm::NewsActionExecute() {
  const QString caption = Setting(keys::kProductName) + QStringLiteral(" News");
  if (TDirectForm* open = TDirectForm::Find(caption)) {
    open->raise();
    open->activateWindow();
    return;
  }
  // Modeless, owned by this window, discarded when closed.
  auto* form = new TDirectForm(this, FSharedData.get());
  form->setWindowTitle(caption);
  form->show();
}

void TMainForm::AboutActionExecute() {
  TAboutForm about(this, FSharedData.get());
  about.setWindowTitle(QStringLiteral("About ") + Setting(keys::kProductName));
  about.exec();
}

void TMainForm::CloseActionExecute() {
  close();
}

void TMainForm::DBGridTitleClick(int position) {
  const TGridColumn column = DBGrid->Column(position);
  // Bold navy titles are the sortable ones; any other title click does nothing.
  if (!column.Bold || column.FieldName.empty()) return;
  TTable* results = FSharedData->ResultTable();
  if (!results || !results->Active()) return;
  try {
    results->SetIndexFieldNames(column.FieldName);
  } catch (const std::exception& e) {
    ShowError(WidgetText(e.what()));
  }
  MarkOrderColumn();
}

void TMainForm::MarkOrderColumn() {
  TTable* results = FSharedData->ResultTable();
  const int position = results ? DBGrid->ColumnOfField(results->IndexFieldNames()) : -1;
  DBGrid->ShowOrder(position >= 0 && DBGrid->Column(position).Bold ? position : -1);
}

void TMainForm::DBGridDblClick() {
  const QString caption = Setting(keys::kProductName) + QStringLiteral(" - Record View");
  if (TRecordForm* open = TRecordForm::Find(caption)) {
    open->raise();
    open->activateWindow();
    return;
  }
  auto* form = new TRecordForm(this, FSharedData.get(), FDataSource.get());
  FRecordForm = form;
  form->setWindowTitle(caption);
  form->show();
}

}  // namespace lw
