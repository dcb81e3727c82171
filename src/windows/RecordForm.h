#pragma once

#include <QDialog>
#include <QLabel>
#include <QString>
#include <QToolButton>

#include "DBNavigator.h"
#include "LinkLabel.h"
#include "RecordLines.h"

namespace lw {

class TSharedData;
class TDataSource;

// The record view: the current record of the result table as a business card. Which field
// feeds which line comes from the "Record View" section of the user settings file, read
// each time the window is shown. Modeless, on top of other windows, discarded when closed.
// Its navigator moves the cursor the main window's grid shares.
class TRecordForm : public QDialog {
  Q_OBJECT
 public:
  TRecordForm(QWidget* owner, TSharedData* sharedData, TDataSource* dataSource);

  // The open record view with this caption, or null.
  static TRecordForm* Find(const QString& caption);

  // Reads the record under the navigator's cursor into the lines.
  void FillLines();
  const TRecordColumns& Columns() const { return FColumns; }

  QLabel* CompanyLabel;
  QLabel* Address1Label;
  QLabel* Address2Label;
  QLabel* TelLabel;
  QLabel* FaxLabel;
  TLinkLabel* EmailLabel;
  TLinkLabel* WebLabel;
  QLabel* ContactLabel;
  QLabel* Contact2Label;
  QLabel* EmployeesLabel;
  QLabel* SalesLabel;
  QLabel* SICDescLabel;
  QLabel* SICLabel;
  QLabel* SIC2Label;
  TDBNavigator* DBNavigator;
  QToolButton* BtnClose;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void RowsChanged();
  void ReadColumns();
  QLabel* AddCaption(const char* text, int y);
  void AddHeading(const char* text, int y);
  template <typename TLabel>
  TLabel* AddValue(int x, int y, int width);

  TSharedData* FSharedData;
  TDataSource* FDataSource;
  TRecordColumns FColumns;
  QWidget* FPanel;  // the card, scrolled when the screen is smaller
  bool FPlaced = false;
};

}  // namespace lw
