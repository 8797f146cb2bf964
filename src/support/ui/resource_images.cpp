#include "support/ui/resource_images.h"

#include <QFile>

// Q_INIT_RESOURCE declares a function and so has to be used outside any namespace.
static void RegisterCompiledResources() {
  Q_INIT_RESOURCE(resources);
}

namespace tollhaven {

void InitResources() {
  static const bool registered = [] {
    RegisterCompiledResources();
    return true;
  }();
  (void)registered;
}

QPixmap ResourceImageToBitmap(int resourceId) {
  InitResources();
  if (resourceId != kAboutImageId) {
    return {};
  }
  QFile file(QString::fromLatin1(kAboutImage));
  if (!file.open(QIODevice::ReadOnly)) {
    return {};
  }
  return PictureBytesToBitmap(file.readAll());
}

QPixmap PictureBytesToBitmap(const QByteArray& bytes) {
  QPixmap picture;
  if (bytes.isEmpty() || !picture.loadFromData(bytes)) {
    return {};
  }
  return picture;
}

}  // namespace tollhaven
