#include "AppStyle.h"

#include <QApplication>
#include <QProxyStyle>
#include <QStyleFactory>

#include "Icons.h"

namespace lw {

namespace {

class TAppStyle : public QProxyStyle {
 public:
  TAppStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_ToolTip_WakeUpDelay) return kHintPause;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

}  // namespace

void ApplyApplicationLook(QApplication& app) {
  app.setStyle(new TAppStyle);
  // Fusion's own light palette, whatever dark theme the desktop has: the windows colour
  // labels and titles for a light background.
  QPalette palette = app.style()->standardPalette();
  // The grid keeps its selection visible when it does not have the focus.
  palette.setColor(QPalette::Inactive, QPalette::Highlight,
                   palette.color(QPalette::Active, QPalette::Highlight));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   palette.color(QPalette::Active, QPalette::HighlightedText));
  app.setPalette(palette);
  app.setWindowIcon(ProgramIcon(QStringLiteral("app")));
}

}  // namespace lw
