// lw-icon: renders the program's SVG icon into the PNG sizes of the hicolor icon theme, so
// that desktops without SVG support in their icon loader show it too.
//
//   lw-icon SVG OUTDIR SIZE...   writes OUTDIR/SIZExSIZE/apps/ledgerwake.png for each SIZE
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fputs("usage: lw-icon SVG OUTDIR SIZE...\n", stderr);
    return 2;
  }
  QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
  if (!svg.isValid()) {
    std::fprintf(stderr, "lw-icon: cannot read '%s'\n", argv[1]);
    return 1;
  }
  for (int i = 3; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    if (size <= 0) {
      std::fprintf(stderr, "lw-icon: bad size '%s'\n", argv[i]);
      return 2;
    }
    const QString dir =
        QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    svg.render(&painter);
    painter.end();
    if (!QDir().mkpath(dir) || !image.save(dir + QStringLiteral("/ledgerwake.png"), "PNG")) {
      std::fprintf(stderr, "lw-icon: cannot write %s\n", qPrintable(dir));
      return 1;
    }
  }
  return 0;
}
