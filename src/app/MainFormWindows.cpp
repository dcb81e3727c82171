// The windows the main window opens, and the grid's title clicks and double-click.
#include <QApplication>

#include "AboutForm.h"
#include "DirectForm.h"
#include "ExportWindow.h"
#include "MainForm.h"
#include "RecordForm.h"
#include "SettingsKeys.h"
#include "SummaryForm.h"
#include "Table.h"
#include "UpdateForm.h"
#include "WidgetText.h"

namespace lw {

void TMainForm::ExportActionExecute() {
  if (FSearching) return;
  OpenExportWindow(this, FSharedData.get(), FDataSource.get(),
                   Setting(keys::kProductName) + QStringLiteral(" - Export"));
  ActionListUpdate();
}

void TMainForm::SummaryActionExecute() {
  if (!SummaryAction->isEnabled()) return;
  // Modal, as the export window is: no new search replaces the table while it is read.
  TSummaryForm summary(this, FSharedData.get());
  summary.setWindowTitle(Setting(keys::kProductName) + QStringLiteral(" - Summary"));
  summary.exec();
  ActionListUpdate();
}

void TMainForm::UpdateActionExecute() {
  if (!UpdateAction->isEnabled()) return;
  // Destroyed when it closes; an update that replaced the program closes this window from
  // inside the wizard's run (after Finish), the normal way, before the wizard is gone.
  auto wizard = std::make_unique<TUpdateForm>(this);
  wizard->Settings = UpdateSettingsFrom(FSharedData->Params(), FSharedData->Layout());
  wizard->Variables = UpdateVariables(wizard->Settings);
  wizard->exec();
  ActionListUpdate();
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
  // Bold navy titles are the sortable ones; any other title click does nothing, and the
  // header's own move of the sort arrow is undone (it would claim an order the rows lack).
  TTable* results = FSharedData->ResultTable();
  if (!column.Bold || column.FieldName.empty() || !results || !results->Active()) {
    MarkOrderColumn();
    return;
  }
  // A million rows take a noticeable moment to order.
  std::string failure;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  try {
    results->SetIndexFieldNames(column.FieldName);
  } catch (const std::exception& e) {
    failure = e.what();
  }
  QApplication::restoreOverrideCursor();
  if (!failure.empty()) ShowError(WidgetText(failure));
  MarkOrderColumn();
}

void TMainForm::MarkOrderColumn() {
  TTable* results = FSharedData->ResultTable();
  const int position = results ? DBGrid->ColumnOfField(results->IndexFieldNames()) : -1;
  DBGrid->ShowOrder(position >= 0 && DBGrid->Column(position).Bold ? position : -1);
}

void TMainForm::DBGridOpenRecord() {
  const QString caption = Setting(keys::kProductName) + QStringLiteral(" - Record View");
  // Asked for by name, the row is shown; a double-click only brings the view to the front.
  if (TRecordForm* open = TRecordForm::Find(caption)) open->FillLines();
  DBGridDblClick();
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
  connect(form, &TRecordForm::FindNearby, this, &TMainForm::FindNearby);
  form->setWindowTitle(caption);
  form->show();
}

}  // namespace lw
