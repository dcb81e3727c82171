#pragma once

#include <QChartView>
#include <QString>

#include "Summary.h"

namespace lw {

// A horizontal bar per value, the largest on top (the employee and sales classes in the
// order of their lists), each labelled with its value, count and share of `total`.
QChart* SummaryBarChart(const QString& title, const std::vector<TSummaryBar>& bars,
                        TSummaryKind kind, int64_t total, int codePage);
// The positions, longitude across and latitude up.
QChart* SummaryMapChart(const TSummary& summary);

// A chart view that keeps a map's degrees of longitude shortened by the cosine of its middle
// latitude against degrees of latitude, so that the shape of the land reads true.
class TMapChartView : public QChartView {
 public:
  TMapChartView(QChart* chart, QWidget* parent = nullptr);

 protected:
  void resizeEvent(QResizeEvent* event) override;
};

}  // namespace lw
