#include "support/ui/dialog_fonts.h"

namespace tollhaven {

QFont BoldTahomaFont() {
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(13);
  font.setWeight(QFont::DemiBold);  // 600
  return font;
}

QFont AboutDialogFont() {
  QFont font(QStringLiteral("Tahoma"));
  font.setPointSize(10);
  return font;
}

}  // namespace tollhaven
