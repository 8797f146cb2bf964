#include "app/desktop_launcher.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

// Desktop entries are plain text, so reading them needs nothing of the platform: the readers live
// here, where every build compiles and tests them, and only the freedesktop launcher uses them.

namespace tollhaven {

namespace {

// Undoes the escapes every string value may carry. Any other backslash pair is kept as it is:
// \" \` \$ belong to the quoting of Exec, which ExpandDesktopExec undoes afterwards.
QString UndoStringEscapes(QStringView value) {
  QString result;
  result.reserve(value.size());
  for (qsizetype i = 0; i < value.size(); ++i) {
    if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
      result += value[i];
      continue;
    }
    const QChar next = value[++i];
    switch (next.unicode()) {
      case 's':
        result += QLatin1Char(' ');
        break;
      case 'n':
        result += QLatin1Char('\n');
        break;
      case 't':
        result += QLatin1Char('\t');
        break;
      case 'r':
        result += QLatin1Char('\r');
        break;
      case '\\':
        result += QLatin1Char('\\');
        break;
      default:
        result += QLatin1Char('\\');
        result += next;
        break;
    }
  }
  return result;
}

// The file of `id` below `directory`. Each '-' of an id may have been a '/' of the path, and a
// directory name may hold a '-' of its own, so every split that names an existing directory is
// tried.
QString FindIdIn(const QString& directory, const QString& id) {
  const QFileInfo direct(directory + QLatin1Char('/') + id);
  if (direct.isFile()) {
    return direct.filePath();
  }
  for (qsizetype dash = id.indexOf(QLatin1Char('-')); dash > 0;
       dash = id.indexOf(QLatin1Char('-'), dash + 1)) {
    const QString subdirectory = directory + QLatin1Char('/') + id.left(dash);
    if (QFileInfo(subdirectory).isDir()) {
      const QString found = FindIdIn(subdirectory, id.mid(dash + 1));
      if (!found.isEmpty()) {
        return found;
      }
    }
  }
  return {};
}

// Splits an Exec value into its arguments. A double-quoted argument may hold spaces, and in it a
// backslash escapes " ` $ and itself. A backslash outside quotes breaks the entry's own rules; it
// is read as a shell would read it rather than refusing the entry. Nothing when a quote is left
// open.
std::optional<QStringList> SplitExec(QStringView exec) {
  static constexpr QStringView kEscapedInQuotes = u"\"`$\\";
  QStringList arguments;
  QString current;
  bool inArgument = false;
  for (qsizetype i = 0; i < exec.size(); ++i) {
    const QChar c = exec[i];
    if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
      if (inArgument) {
        arguments << current;
        current.clear();
        inArgument = false;
      }
      continue;
    }
    inArgument = true;
    if (c == QLatin1Char('"')) {
      for (++i;; ++i) {
        if (i == exec.size()) {
          return std::nullopt;
        }
        if (exec[i] == QLatin1Char('"')) {
          break;
        }
        if (exec[i] == QLatin1Char('\\') && i + 1 < exec.size() &&
            kEscapedInQuotes.contains(exec[i + 1])) {
          ++i;
        }
        current += exec[i];
      }
      continue;
    }
    if (c == QLatin1Char('\\') && i + 1 < exec.size()) {
      ++i;
    }
    current += exec[i];
  }
  if (inArgument) {
    arguments << current;
  }
  return arguments;
}

// Expands the field codes inside one argument; sets `*tookFile` when the file went in.
QString ExpandFieldCodes(const QString& argument, const DesktopEntry& entry, const QString& file,
                         const QString& url, bool* tookFile) {
  QString result;
  for (qsizetype i = 0; i < argument.size(); ++i) {
    if (argument[i] != QLatin1Char('%')) {
      result += argument[i];
      continue;
    }
    if (i + 1 == argument.size()) {
      break;  // a '%' that ends the argument starts no code: there is nothing to keep
    }
    switch (argument[++i].unicode()) {
      case '%':
        result += QLatin1Char('%');
        break;
      case 'f':
      case 'F':
        result += file;
        *tookFile = true;
        break;
      case 'u':
      case 'U':
        result += url;
        *tookFile = true;
        break;
      case 'c':
        result += entry.name;
        break;
      case 'k':
        result += entry.location;
        break;
      default:
        // %i makes two arguments, so it only means something standing alone; the deprecated
        // and the unknown codes are dropped.
        break;
    }
  }
  return result;
}

}  // namespace

void OpenWithDefaultApplication(const QString& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool StartDetachedProgram(const QString& program, const QStringList& arguments) {
  return QProcess::startDetached(program, arguments);
}

std::optional<DesktopEntry> ReadDesktopEntry(const QString& desktopFile) {
  QFile file(desktopFile);
  if (!file.open(QIODevice::ReadOnly)) {
    return std::nullopt;
  }
  const QString text = QString::fromUtf8(file.readAll());
  QHash<QString, QString> values;
  bool inEntry = false;
  bool sawEntry = false;
  for (const QStringView rawLine : QStringView(text).split(QLatin1Char('\n'))) {
    const QStringView line = rawLine.trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
      continue;
    }
    if (line.startsWith(QLatin1Char('['))) {
      inEntry = line == u"[Desktop Entry]";
      sawEntry = sawEntry || inEntry;
      continue;
    }
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (!inEntry || equals <= 0) {
      continue;
    }
    const QString key = line.left(equals).trimmed().toString();
    if (!values.contains(key)) {
      values.insert(key, UndoStringEscapes(line.mid(equals + 1).trimmed()));
    }
  }
  if (!sawEntry) {
    return std::nullopt;
  }

  DesktopEntry entry;
  entry.exec = values.value(QStringLiteral("Exec"));
  entry.icon = values.value(QStringLiteral("Icon"));
  entry.terminal = values.value(QStringLiteral("Terminal")) == u"true";
  entry.location = desktopFile;
  // "de_DE" first, then "de", then the untranslated name.
  const QString locale = QLocale().name();
  QStringList nameKeys;
  if (locale != u"C") {
    nameKeys << QStringLiteral("Name[%1]").arg(locale)
             << QStringLiteral("Name[%1]").arg(locale.section(QLatin1Char('_'), 0, 0));
  }
  nameKeys << QStringLiteral("Name");
  for (const QString& key : nameKeys) {
    if (values.contains(key)) {
      entry.name = values.value(key);
      break;
    }
  }
  return entry;
}

QString LocateDesktopFile(const QString& id) {
  // An id never holds a '/': anything else could reach outside the applications directories.
  if (!id.endsWith(QLatin1String(".desktop")) || id.size() == 8 || id.contains(QLatin1Char('/'))) {
    return {};
  }
  for (const QString& directory :
       QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
    const QString found = FindIdIn(directory, id);
    if (!found.isEmpty()) {
      return found;
    }
  }
  return {};
}

QStringList ExpandDesktopExec(const DesktopEntry& entry, const QString& file) {
  const std::optional<QStringList> arguments = SplitExec(entry.exec);
  if (!arguments || arguments->isEmpty()) {
    return {};
  }
  const QString url =
      QString::fromUtf8(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toEncoded());
  QStringList command;
  bool tookFile = false;
  for (const QString& argument : *arguments) {
    if (argument == u"%i") {
      if (!entry.icon.isEmpty()) {
        command << QStringLiteral("--icon") << entry.icon;
      }
      continue;
    }
    const QString expanded = ExpandFieldCodes(argument, entry, file, url, &tookFile);
    // An argument made only of codes that stand for nothing goes away rather than becoming "".
    if (expanded.isEmpty() && !argument.isEmpty()) {
      continue;
    }
    command << expanded;
  }
  // An entry without a place for the file takes none; starting it would open an empty editor.
  if (!tookFile || command.isEmpty()) {
    return {};
  }
  return command;
}

}  // namespace tollhaven
