// How a search is stated beyond the eight inputs: the match options, Enter for Go, the last
// search restored at start, named searches, and the count that runs beside the status line.
#include <QEvent>
#include <QInputDialog>
#include <QKeyEvent>

#include "Icons.h"
#include "IniFile.h"
#include "MainForm.h"
#include "MessageBoxes.h"
#include "Nearby.h"
#include "SettingsKeys.h"
#include "TableThread.h"
#include "WidgetText.h"

namespace lw {

namespace {

// How often the count beside the status line changes while a search runs.
constexpr int kCountInterval = 100;

void Select(QListWidget* list, const std::vector<bool>& rows) {
  list->clearSelection();
  for (int i = 0; i < list->count() && i < static_cast<int>(rows.size()); ++i)
    if (rows[static_cast<size_t>(i)]) list->item(i)->setSelected(true);
}

std::string Utf8(const QString& text) {
  return text.toUtf8().toStdString();
}

QString Seconds(qint64 ms, int decimals) {
  return QString::number(static_cast<double>(ms) / 1000.0, 'f', decimals) + QStringLiteral(" s");
}

}  // namespace

void TMainForm::BuildSearchActions() {
  OpenAction = MakeAction("&Open", "open", &TMainForm::OpenActionExecute);
  OpenAction->setObjectName(QStringLiteral("OpenAction"));
  OpenAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  OpenAction->setToolTip(QStringLiteral("Search another listings table (Ctrl+O)"));
  IgnoreCaseAction =
      new QAction(ProgramIcon(QStringLiteral("ignorecase")), QStringLiteral("&Ignore case"), this);
  IgnoreCaseAction->setObjectName(QStringLiteral("IgnoreCaseAction"));
  IgnoreCaseAction->setToolTip(
      QStringLiteral("Typed criteria match letters in either case (\"new*\" finds New York)"));
  WildcardsAction =
      new QAction(ProgramIcon(QStringLiteral("wildcards")), QStringLiteral("&Wildcards"), this);
  WildcardsAction->setObjectName(QStringLiteral("WildcardsAction"));
  WildcardsAction->setToolTip(
      QStringLiteral("'*' anywhere in a typed criterion (*York, *Auto*, A*Co)"));
  for (QAction* a : {IgnoreCaseAction, WildcardsAction}) {
    a->setCheckable(true);
    a->setIconText(a->text());
    connect(a, &QAction::toggled, this, [this] {
      // The options are kept as soon as they change, not only with the next search.
      if (TIniFile* ini = FSharedData ? FSharedData->ConfigIni() : nullptr) {
        try {
          TStoredSearch last = ReadLastSearch(*ini);
          last.Options = MatchOptions();
          WriteLastSearch(*ini, last);
        } catch (const std::exception&) {
          // A settings file that cannot be written only costs the memory of the choice.
        }
      }
    });
  }
  SearchesMenu = new QMenu(this);
  SearchesMenu->setObjectName(QStringLiteral("SearchesMenu"));
  connect(SearchesMenu, &QMenu::aboutToShow, this, &TMainForm::FillSearchesMenu);
  SearchesAction =
      new QAction(ProgramIcon(QStringLiteral("searches")), QStringLiteral("Searc&hes"), this);
  SearchesAction->setObjectName(QStringLiteral("SearchesAction"));
  SearchesAction->setIconText(SearchesAction->text());
  SearchesAction->setToolTip(QStringLiteral("Save the criteria under a name, or load saved ones"));
  SearchesAction->setMenu(SearchesMenu);
  FillSearchesMenu();
  // Quit is reachable from the keyboard wherever its button ends up.
  CloseAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  addAction(CloseAction);
  addAction(OpenAction);
}

void TMainForm::FillSearchesMenu() {
  SearchesMenu->clear();
  const TIniFile* ini = FSharedData ? FSharedData->ConfigIni() : nullptr;
  const std::vector<std::string> names = ini ? SavedSearchNames(*ini) : std::vector<std::string>();
  SearchesMenu->addAction(QStringLiteral("&Save Current Search..."), this,
                          &TMainForm::SaveSearchExecute);
  QAction* remove = SearchesMenu->addAction(QStringLiteral("&Delete a Saved Search..."), this,
                                            &TMainForm::DeleteSearchExecute);
  remove->setEnabled(!names.empty());
  if (names.empty()) return;
  SearchesMenu->addSection(QStringLiteral("Load"));
  for (const std::string& name : names) {
    const QString text = QString::fromUtf8(name);
    // A name's own '&' is text, not an accelerator.
    QString caption = text;
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* load = SearchesMenu->addAction(caption, this, [this, text] { LoadSearch(text); });
    load->setData(text);
  }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      if (!FSearching && GoAction->isEnabled()) GoActionExecute();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

TMatchOptions TMainForm::MatchOptions() const {
  return {IgnoreCaseAction->isChecked(), WildcardsAction->isChecked()};
}

TStoredSearch TMainForm::CurrentSearch() const {
  TStoredSearch s;
  // The selections as Go takes them; the texts as typed, in the settings file's UTF-8.
  s.Inputs = CriteriaInputs();
  s.Inputs.SIC = Utf8(SICEdit->text());
  s.Inputs.SICDesc = Utf8(SICDescEdit->text());
  s.Inputs.Company = Utf8(CompanyEdit->text());
  s.Inputs.City = Utf8(CityEdit->text());
  s.Inputs.Zip = Utf8(ZipEdit->text());
  // Remembered even while a table without positions disables it, for the next table.
  s.Inputs.Near = Utf8(NearEdit->text().trimmed());
  s.Inputs.Miles = s.Inputs.Near.empty() ? std::string() : MilesText();
  s.Options = MatchOptions();
  return s;
}

void TMainForm::ShowSearch(const TStoredSearch& s) {
  SICEdit->setText(QString::fromUtf8(s.Inputs.SIC));
  SICDescEdit->setText(QString::fromUtf8(s.Inputs.SICDesc));
  CompanyEdit->setText(QString::fromUtf8(s.Inputs.Company));
  CityEdit->setText(QString::fromUtf8(s.Inputs.City));
  ZipEdit->setText(QString::fromUtf8(s.Inputs.Zip));
  NearEdit->setText(QString::fromUtf8(s.Inputs.Near));
  bool milesRead = false;
  const double miles = QString::fromUtf8(s.Inputs.Miles).toDouble(&milesRead);
  MilesSpinBox->setValue(milesRead ? miles : kDefaultMiles);
  Select(StateListBox, s.Inputs.States);
  Select(EmployeeListBox, s.Inputs.Employees);
  Select(SalesListBox, s.Inputs.Sales);
  for (QListWidget* list : {StateListBox, EmployeeListBox, SalesListBox}) {
    const QList<QListWidgetItem*> chosen = list->selectedItems();
    if (!chosen.isEmpty()) list->scrollToItem(chosen.front());
  }
  IgnoreCaseAction->setChecked(s.Options.IgnoreCase);
  WildcardsAction->setChecked(s.Options.Wildcards);
}

void TMainForm::RestoreLastSearch() {
  if (const TIniFile* ini = FSharedData->ConfigIni()) ShowSearch(ReadLastSearch(*ini));
}

void TMainForm::RememberSearch() {
  TIniFile* ini = FSharedData->ConfigIni();
  if (!ini) return;
  try {
    WriteLastSearch(*ini, CurrentSearch());
  } catch (const std::exception&) {
    // The search runs all the same; only the next start will not offer it again.
  }
}

void TMainForm::SaveSearchExecute() {
  TIniFile* ini = FSharedData->ConfigIni();
  if (!ini) return;
  bool ok = false;
  const QString name = QInputDialog::getText(this, Setting(keys::kProductName),
                                             QStringLiteral("Save the search as:"),
                                             QLineEdit::Normal, QString(), &ok)
                           .trimmed();
  if (!ok) return;
  const std::string key = Utf8(name);
  if (const std::string problem = SearchNameProblem(key); !problem.empty()) {
    ShowError(WidgetText(problem));
    return;
  }
  if (ReadSavedSearch(*ini, key) &&
      !TMessageBoxes::AskYesNo(this, QStringLiteral("Replace the saved search \"%1\"?").arg(name)))
    return;
  try {
    WriteSavedSearch(*ini, key, CurrentSearch());
  } catch (const std::exception& e) {
    ShowError(QString::fromUtf8(e.what()));
  }
}

void TMainForm::DeleteSearchExecute() {
  TIniFile* ini = FSharedData->ConfigIni();
  if (!ini) return;
  QStringList names;
  for (const std::string& n : SavedSearchNames(*ini)) names << QString::fromUtf8(n);
  if (names.isEmpty()) return;
  bool ok = false;
  const QString name =
      QInputDialog::getItem(this, Setting(keys::kProductName),
                            QStringLiteral("Delete the saved search:"), names, 0, false, &ok);
  if (!ok) return;
  try {
    DeleteSavedSearch(*ini, Utf8(name));
  } catch (const std::exception& e) {
    ShowError(QString::fromUtf8(e.what()));
  }
}

bool TMainForm::LoadSearch(const QString& name) {
  const TIniFile* ini = FSharedData->ConfigIni();
  const std::optional<TStoredSearch> s = ini ? ReadSavedSearch(*ini, Utf8(name)) : std::nullopt;
  if (!s) return false;
  ShowSearch(*s);
  return true;
}

void TMainForm::StartCount() {
  FFoundSoFar = 0;
  FElapsedBefore = 0;
  FClock.start();
  FCountTimer->start(kCountInterval);
  ShowCount();
}

void TMainForm::PauseCount(bool paused) {
  if (paused) {
    if (FClock.isValid()) FElapsedBefore += FClock.elapsed();
    FClock.invalidate();
    FCountTimer->stop();
  } else if (!FClock.isValid()) {
    FClock.start();
    FCountTimer->start(kCountInterval);
  }
  ShowCount();
}

void TMainForm::StopCount() {
  if (FClock.isValid()) FElapsedBefore += FClock.elapsed();
  FClock.invalidate();
  FCountTimer->stop();
}

void TMainForm::ShowCount() {
  const qint64 ms = FElapsedBefore + (FClock.isValid() ? FClock.elapsed() : 0);
  CountLabel->setText(QStringLiteral("%1 found  %2").arg(FFoundSoFar).arg(Seconds(ms, 1)));
}

void TMainForm::ShowSearchTime() {
  CountLabel->setText(QStringLiteral("in ") + Seconds(FElapsedBefore, 2));
}

}  // namespace lw
