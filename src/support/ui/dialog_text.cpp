#include "support/ui/dialog_text.h"

#include <QByteArray>

namespace tollhaven {

std::string Utf8Prefix(const QString& text, std::size_t maxBytes) {
  const QByteArray utf8 = text.toUtf8();
  if (static_cast<std::size_t>(utf8.size()) <= maxBytes) {
    return utf8.toStdString();
  }
  // Step back over continuation bytes (10xxxxxx) so the cut lands before a whole character.
  std::size_t cut = maxBytes;
  while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) {
    --cut;
  }
  return std::string(utf8.constData(), cut);
}

}  // namespace tollhaven
