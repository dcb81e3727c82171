// Another listings table for this session's searches: Open, or a table named on the command
// line.
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>

#include "DataSource.h"
#include "DatabaseError.h"
#include "GridLayout.h"
#include "MainForm.h"
#include "PrivateSession.h"
#include "SettingsKeys.h"
#include "SourceLayout.h"
#include "Table.h"
#include "WidgetText.h"
#include "strutil/FileUtil.h"

namespace lw {

void TMainForm::OpenActionExecute() {
  const QString start = QString::fromUtf8(FSharedData->SourceDir());
  const QString file =
      QFileDialog::getOpenFileName(this, QStringLiteral("Open a Listings Table"), start,
                                   QStringLiteral("Tables (*.db *.DB *.dbf *.DBF);;All files (*)"));
  if (!file.isEmpty()) OpenTable(file);
}

// Opens the table as the worker will - a session of its own with the program's password and
// the table's - and checks that it has the listings layout. Asks for a password as long as
// the table refuses the ones given; false when the user gives up or the table does not fit.
bool TMainForm::CheckSourceTable(const std::string& path, std::string& password) {
  for (;;) {
    try {
      TPrivateSession own = OpenPrivateSession();
      own.Session->AddPassword(FSharedData->DataPassword());
      if (!password.empty()) own.Session->AddPassword(password);
      TTable* table = own.Session->CreateTable();
      table->SetTableName(path);
      table->SetReadOnly(true);
      table->Open();
      CheckSourceLayout(*table);
      table->Close();
      return true;
    } catch (const std::exception& e) {
      if (!IsPasswordMissing(e)) {
        ShowError(WidgetText(e.what()));
        return false;
      }
    }
    bool ok = false;
    const QString name = QString::fromUtf8(ExtractFileName(path));
    const QString typed = QInputDialog::getText(
        this, Setting(keys::kProductName),
        password.empty() ? QStringLiteral("The table %1 is protected. Password:").arg(name)
                         : QStringLiteral("Wrong password for %1. Password:").arg(name),
        QLineEdit::Password, QString(), &ok);
    if (!ok) return false;
    password = TableBytes(typed);
  }
}

bool TMainForm::OpenTable(const QString& file) {
  if (FSearching) return false;
  const std::string path = QFileInfo(file).absoluteFilePath().toStdString();
  std::string password = FSharedData->SourcePassword();
  if (!CheckSourceTable(path, password)) return false;
  ReleaseWorker();
  bool rebuilt = false;
  try {
    TTable* results = FSharedData->ResultTable();
    if (results) results->DisableControls();
    try {
      rebuilt = FSharedData->SetSourceTable(path, password);
    } catch (...) {
      if (results) results->EnableControls();
      throw;
    }
    if (results) results->EnableControls();
  } catch (const std::exception& e) {
    ShowError(WidgetText(e.what()));
    return false;
  }
  // Results of another table mean nothing beside this one; the criteria stay, to be run on
  // it.
  EmptyResultTable();
  ProgressBar->setValue(FPendingPercent = 0);
  SetStatus(QString());
  CountLabel->clear();
  if (rebuilt && FGridReady) {
    // Other fields: the grid shows this table's columns, with the saved titles where a
    // field of the same name has one.
    DBGrid->SetDataSource(nullptr);
    DBGrid->SetDataSource(FDataSource.get());
    LoadGridLayout(FSharedData->ConfigIni(), FSharedData->ResultTable(), *DBGrid);
    MarkOrderColumn();
  }
  ShowNearbyState();
  FOpenedTable = QFileInfo(file).fileName();
  ShowCaption();
  return true;
}

void TMainForm::ShowCaption() {
  const QString product = Setting(keys::kProductName);
  setWindowTitle(FOpenedTable.isEmpty() ? product : product + " - " + FOpenedTable);
}

}  // namespace lw
