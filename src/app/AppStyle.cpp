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

void SetHintTiming() {
  // The style answers the hint delay; installing ours once is enough.
  if (!dynamic_cast<TAppStyle*>(QApplication::style())) QApplication::setStyle(new TAppStyle);
}

void ApplyApplicationLook(QApplication& app) {
  SetHintTiming();
  // Fusion's own light palette, whatever dark theme the desktop has: the windows colour
  // labels and titles for a light background.
  QPalette palette = app.style()->standardPalette();
  app.setPalette(palette);
  app.setWindowIcon(ProgramIcon(QStringLiteral("app")));
}

}  // namespace lw
