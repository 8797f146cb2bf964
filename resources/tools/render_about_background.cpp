// Renders resources/images/about.svg into the 400 x 300 JPEG that the About box uses as its
// background. Run once whenever the drawing changes and commit both files:
//
//   g++ -std=c++20 -fPIC render_about_background.cpp -o /tmp/render_about_background
//       $(pkg-config --cflags --libs Qt6Gui)   (one line)
//   QT_QPA_PLATFORM=offscreen /tmp/render_about_background ../images/about.svg ../images/about.jpg
//
// The SVG is read through Qt's SVG image plug-in (Debian package libqt6svg6).
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <cstdio>

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s input.svg output.jpg\n", argv[0]);
    return 2;
  }
  QImageReader reader(QString::fromLocal8Bit(argv[1]));
  reader.setScaledSize(QSize(400, 300));
  const QImage drawing = reader.read();
  if (drawing.isNull()) {
    std::fprintf(stderr, "cannot read %s: %s\n", argv[1], qPrintable(reader.errorString()));
    return 1;
  }
  // JPEG has no transparency: flatten onto white first.
  QImage flat(400, 300, QImage::Format_RGB32);
  flat.fill(Qt::white);
  QPainter(&flat).drawImage(0, 0, drawing);
  if (!flat.save(QString::fromLocal8Bit(argv[2]), "JPG", 90)) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
