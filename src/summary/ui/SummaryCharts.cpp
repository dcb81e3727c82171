#include "SummaryCharts.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QHorizontalBarSeries>
#include <QLocale>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "CriteriaLists.h"
#include "WidgetText.h"

namespace lw {

namespace {

// Characters of a value shown before its label is cut: SIC group names run long, and the
// chart gives its labels a third of its width at most.
constexpr int kLongestValue = 30;

// Where a class stands in its list; values the list lacks go after it.
template <size_t N>
size_t RowOf(const std::array<std::string_view, N>& rows, const std::string& value) {
  return static_cast<size_t>(std::find(rows.begin(), rows.end(), value) - rows.begin());
}

std::vector<TSummaryBar> InShownOrder(std::vector<TSummaryBar> bars, TSummaryKind kind) {
  if (kind == skEmployees || kind == skSales)
    std::stable_sort(bars.begin(), bars.end(), [kind](const TSummaryBar& a, const TSummaryBar& b) {
      return kind == skEmployees ? RowOf(EmployeeRows, a.Value) < RowOf(EmployeeRows, b.Value)
                                 : RowOf(SalesRows, a.Value) < RowOf(SalesRows, b.Value);
    });
  // The axis draws its first category at the bottom.
  std::reverse(bars.begin(), bars.end());
  return bars;
}

QChart* NewChart(const QString& title) {
  auto* chart = new QChart;
  chart->setTitle(title);
  chart->legend()->hide();
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->setBackgroundRoundness(0);
  return chart;
}

}  // namespace

QChart* SummaryBarChart(const QString& title, const std::vector<TSummaryBar>& bars,
                        TSummaryKind kind, int64_t total, int codePage) {
  QChart* chart = NewChart(title);
  auto* set = new QBarSet(QStringLiteral("Results"));
  QStringList labels;
  const QLocale locale(QLocale::English);
  int64_t most = 0;
  for (const TSummaryBar& bar : InShownOrder(bars, kind)) {
    *set << static_cast<qreal>(bar.Count);
    most = std::max(most, bar.Count);
    const double share = total > 0 ? 100.0 * static_cast<double>(bar.Count) / total : 0;
    QString value = WidgetText(bar.Value, codePage);
    if (value.size() > kLongestValue) value = value.left(kLongestValue - 1) + QChar(0x2026);
    labels << QStringLiteral("%1   %2  (%3 %)")
                  .arg(value, locale.toString(qlonglong(bar.Count)),
                       locale.toString(share, 'f', 1));
  }
  auto* series = new QHorizontalBarSeries;
  series->append(set);
  series->setBarWidth(0.7);
  chart->addSeries(series);
  auto* categories = new QBarCategoryAxis;
  categories->append(labels);
  // The value, count and share are the point of the chart: the axis makes room for them.
  categories->setTruncateLabels(false);
  chart->addAxis(categories, Qt::AlignLeft);
  series->attachAxis(categories);
  auto* counts = new QValueAxis;
  counts->setRange(0, std::max<qreal>(1, static_cast<qreal>(most) * 1.05));
  counts->setLabelFormat(QStringLiteral("%d"));
  counts->applyNiceNumbers();
  chart->addAxis(counts, Qt::AlignBottom);
  series->attachAxis(counts);
  return chart;
}

QChart* SummaryMapChart(const TSummary& summary) {
  QChart* chart =
      NewChart(QStringLiteral("Positions of %1 results")
                   .arg(QLocale(QLocale::English).toString(qlonglong(summary.Positioned))));
  auto* series = new QScatterSeries;
  series->setMarkerSize(4);
  series->setBorderColor(Qt::transparent);
  QList<QPointF> points;
  points.reserve(static_cast<qsizetype>(summary.Points.size()));
  float west = 180, east = -180, south = 90, north = -90;
  for (const TSummaryPoint& p : summary.Points) {
    points << QPointF(p.Longitude, p.Latitude);
    west = std::min(west, p.Longitude);
    east = std::max(east, p.Longitude);
    south = std::min(south, p.Latitude);
    north = std::max(north, p.Latitude);
  }
  if (points.isEmpty()) west = east = south = north = 0;
  series->replace(points);
  chart->addSeries(series);
  auto axis = [&](const QString& name, double from, double to, Qt::Alignment side) {
    auto* a = new QValueAxis;
    a->setTitleText(name);
    a->setRange(from - 1, to + 1);
    a->setLabelFormat(QStringLiteral("%.0f"));
    a->applyNiceNumbers();
    chart->addAxis(a, side);
    series->attachAxis(a);
  };
  axis(QStringLiteral("Longitude"), west, east, Qt::AlignBottom);
  axis(QStringLiteral("Latitude"), south, north, Qt::AlignLeft);
  return chart;
}

TMapChartView::TMapChartView(QChart* chart, QWidget* parent) : QChartView(chart, parent) {
  setRenderHint(QPainter::Antialiasing);
}

void TMapChartView::resizeEvent(QResizeEvent* event) {
  QChartView::resizeEvent(event);
  auto axes = chart()->axes();
  auto* x = axes.size() == 2 ? qobject_cast<QValueAxis*>(chart()->axes(Qt::Horizontal).value(0))
                             : nullptr;
  auto* y = x ? qobject_cast<QValueAxis*>(chart()->axes(Qt::Vertical).value(0)) : nullptr;
  if (!x || !y) return;
  // Room for the title, the axes' labels and titles.
  const QRectF room = QRectF(rect()).adjusted(70, 50, -20, -60);
  const double middle = (y->min() + y->max()) / 2 * std::numbers::pi / 180;
  const double wide = (x->max() - x->min()) * std::cos(middle);
  const double high = y->max() - y->min();
  if (wide <= 0 || high <= 0 || room.width() <= 0 || room.height() <= 0) return;
  const double scale = std::min(room.width() / wide, room.height() / high);
  QRectF area(0, 0, wide * scale, high * scale);
  area.moveCenter(room.center());
  chart()->setPlotArea(area);
}

}  // namespace lw
