#pragma once

#include <QAction>
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
class TTable;

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
  // Hands the shown record's position to the main window's radius search; enabled when the
  // record has one.
  QAction* FindNearbyAction;
  QToolButton* FindNearbyBtn;

 signals:
  // "latitude,longitude" in degrees, as the radius search reads a centre.
  void FindNearby(const QString& centre);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildCard();
  void BuildButtons();
  void FormShow();
  void RowsChanged();
  void ReadColumns();
  void ShowPosition(TTable* table);
  QLabel* AddCaption(const char* text, int y);
  void AddHeading(const char* text, int y);
  template <typename TLabel>
  TLabel* AddValue(int x, int y, int width);

  TSharedData* FSharedData;
  TDataSource* FDataSource;
  TRecordColumns FColumns;
  QString FCentre;  // the shown record's position, or empty
  QWidget* FPanel;  // the card, scrolled when the screen is smaller
  bool FPlaced = false;
};

}  // namespace lw
