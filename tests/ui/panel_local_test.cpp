// The local panel, the column clicks and the drive selectors in a main window.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QScopeGuard>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "app/control_ids.h"
#include "app/main_window.h"
#include "fake_panel_host.h"
#include "local_files_fixture.h"
#include "main_window_fixture.h"
#include "panels/ui/local_listing.h"
#include "panels/ui/panel_operations.h"
#include "panels/ui/panels_state.h"

using namespace tollhaven;
using tollhaven::testing::FakePanelHost;
using tollhaven::testing::Names;
using tollhaven::testing::WindowUnderTest;
using tollhaven::testing::WriteFile;

namespace {

QString Cell(PanelHost& window, int side, int row, int column) {
  QAbstractItemModel* model = window.list(side)->model();
  return model->data(model->index(row, column)).toString();
}

int RowOf(PanelHost& window, int side, const QString& name) {
  return static_cast<int>(Names(window, side).indexOf(name));
}

void Show(PanelHost& window, int side, const QString& directory) {
  window.pathField(side)->setText(directory);
  fillLocalPanel(window, side);
}

void Activate(PanelHost& window, int side, int row) {
  window.list(side)->setCurrentIndex(window.list(side)->model()->index(row, 0));
  activateLocalRow(window, side);
}

}  // namespace

class PanelLocalTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    QVERIFY(tree_.isValid());
    QVERIFY(QDir(tree_.path()).mkpath(QStringLiteral("work/inner")));
    QVERIFY(QDir(tree_.path()).mkpath(QStringLiteral("Beta")));
    QVERIFY(WriteFile(tree_.filePath(QStringLiteral("work/notes.txt")), "12345"));
    QVERIFY(WriteFile(tree_.filePath(QStringLiteral("work/.hidden")), ""));
    QVERIFY(WriteFile(tree_.filePath(QStringLiteral("work/big.bin")), QByteArray(3000, 'x')));
  }

  void rootHasNoParentRowAndOneLevelDownItComesFirst() {
    FakePanelHost host;
    Show(host, kLeft, QStringLiteral("/"));
    QVERIFY(host.list(kLeft)->model()->rowCount() > 0);
    QVERIFY(!Names(host, kLeft).contains(QStringLiteral("..")));
    QVERIFY(!Names(host, kLeft).contains(QStringLiteral(".")));

    Show(host, kLeft, tree_.filePath(QStringLiteral("work")));
    QCOMPARE(Names(host, kLeft), (QStringList{"..", "inner", ".hidden", "big.bin", "notes.txt"}));
  }

  void rowsShowDirectoriesSizesAndTheTimeOnTheTwentyFourHourClock() {
    const QString notes = tree_.filePath(QStringLiteral("work/notes.txt"));
    QFile file(notes);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QDateTime late(QDate(2024, 3, 9), QTime(23, 5));
    QVERIFY(file.setFileTime(late, QFileDevice::FileModificationTime));
    file.close();

    FakePanelHost host;
    Show(host, kRight, tree_.filePath(QStringLiteral("work")));
    const int inner = RowOf(host, kRight, QStringLiteral("inner"));
    const int row = RowOf(host, kRight, QStringLiteral("notes.txt"));
    QCOMPARE(Cell(host, kRight, inner, 1), QStringLiteral("< DIR >"));
    QCOMPARE(Cell(host, kRight, row, 1), QStringLiteral("5"));
    QCOMPARE(Cell(host, kRight, RowOf(host, kRight, QStringLiteral("big.bin")), 1),
             QStringLiteral("3000"));
    const QString dateTime = Cell(host, kRight, row, 2);
    QVERIFY2(dateTime.endsWith(QStringLiteral(" 23:05")), qPrintable(dateTime));
    QCOMPARE(dateTime, QLocale::system().toString(late.date(), QLocale::ShortFormat) +
                           QStringLiteral(" 23:05"));
    QCOMPARE(LocalSizeText(qint64{5} << 32 | 7), std::string("7"));
  }

  void enteringParentNormalisesThePath() {
    FakePanelHost host;
    const QString inner = tree_.filePath(QStringLiteral("work/inner"));
    Show(host, kLeft, inner);
    Activate(host, kLeft, 0);
    QCOMPARE(host.pathField(kLeft)->text(), QDir::cleanPath(tree_.filePath("work")));
    QVERIFY(Names(host, kLeft).contains(QStringLiteral("inner")));

    Activate(host, kLeft, RowOf(host, kLeft, QStringLiteral("inner")));
    QCOMPARE(host.pathField(kLeft)->text(), QDir::cleanPath(inner));
    QCOMPARE(Names(host, kLeft), QStringList{".."});
  }

  void activatingAFileOpensItFromItsOwnPanelsDirectory() {
    FakePanelHost host;
    QStringList opened;
    host.panels().openFile = [&](const QString& path) { opened << path; };
    Show(host, kLeft, tree_.filePath(QStringLiteral("work")));
    Show(host, kRight, tree_.path());  // the right side changed directory last
    Activate(host, kLeft, RowOf(host, kLeft, QStringLiteral("notes.txt")));
    QCOMPARE(opened, QStringList{QDir::cleanPath(tree_.filePath("work/notes.txt"))});
    QCOMPARE(host.pathField(kLeft)->text(), tree_.filePath(QStringLiteral("work")));
  }

  void sortingKeepsTheRightSelectionAndDropsTheLeftOne() {
    FakePanelHost host;
    for (int side : {kLeft, kRight}) {
      Show(host, side, tree_.filePath(QStringLiteral("work")));
      QItemSelectionModel* selection = host.list(side)->selectionModel();
      selection->select(host.list(side)->model()->index(RowOf(host, side, "notes.txt"), 0),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
      host.panel(side).rememberedRow = 0;
      onColumnClick(host, side, 1);
      QStringList selected;
      for (const QModelIndex& index : selection->selectedRows()) {
        selected << index.data().toString();
      }
      selected.sort();
      QCOMPARE(selected, side == kLeft ? QStringList{".."} : (QStringList{"..", "notes.txt"}));
      QCOMPARE(selection->currentIndex().row(), 0);
    }
    // A remembered row past the end selects nothing.
    host.panel(kLeft).rememberedRow = 99;
    sortPanel(host, kLeft);
    QVERIFY(host.list(kLeft)->selectionModel()->selectedRows().isEmpty());
  }

  void aDriveThatCannotBeEnteredFallsBackToHomeAndEachDriveKeepsItsDirectory() {
    FakePanelHost host;
    PanelsState& panels = host.panels();
    QComboBox* selector = host.driveSelector(kLeft);
    panels.drives[kLeft].push_back({"/nonexistent-tollhaven-drive", DriveKind::Removable, ""});
    selector->addItem(QStringLiteral("/nonexistent-tollhaven-drive Removable disk"));
    panels.drives[kLeft].push_back({tree_.path().toStdString(), DriveKind::Fixed, ""});
    selector->addItem(tree_.path() + QLatin1Char(' '));
    const int missing = selector->count() - 2;
    const int temporary = selector->count() - 1;

    selector->setCurrentIndex(missing);
    onDriveChosen(host, kLeft);
    QCOMPARE(host.panel(kLeft).driveIndex, 2);
    QCOMPARE(selector->currentIndex(), 2);
    QCOMPARE(host.pathField(kLeft)->text(), QDir::homePath());

    selector->setCurrentIndex(temporary);
    onDriveChosen(host, kLeft);
    QCOMPARE(host.pathField(kLeft)->text(), tree_.path());
    Activate(host, kLeft, RowOf(host, kLeft, QStringLiteral("work")));
    selector->setCurrentIndex(2);
    onDriveChosen(host, kLeft);
    selector->setCurrentIndex(temporary);
    onDriveChosen(host, kLeft);
    QCOMPARE(host.pathField(kLeft)->text(), tree_.filePath(QStringLiteral("work")));
    QCOMPARE(host.activeSide(), kLeft);
    QVERIFY(host.pathField(kLeft)->isEnabled());
    QVERIFY(!host.pathField(kRight)->isEnabled());
  }

  // The widest size a row can show (a 32-bit size in ten digits) is drawn whole.
  void theSizeColumnShowsTheWidestSizeWhole() {
    FakePanelHost host;
    const QString widest = QStringLiteral("4294967295");
    host.panels().model(kLeft).SetRows({{"big.bin", widest.toStdString(), "", 0, 0}},
                                       PanelModel::Names::Local);
    QTreeView* list = host.list(kLeft);
    QStyleOptionViewItem option;
    option.initFrom(list);
    option.rect = list->visualRect(list->model()->index(0, 1));
    option.text = widest;
    option.features = QStyleOptionViewItem::HasDisplay;
    const QRect text = list->style()->subElementRect(QStyle::SE_ItemViewItemText, &option, list);
    const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    QVERIFY2(text.width() - 2 * margin >= list->fontMetrics().horizontalAdvance(widest),
             qPrintable(QString::number(list->columnWidth(1))));
  }

  // In the main window: its header clicks, its start, its re-read buttons.
  void columnClicksSortTheClickedListAndShareTheDirections() {
    WindowUnderTest test;
    MainWindow& window = *test.window;
    Show(window, kLeft, tree_.filePath(QStringLiteral("work")));
    Show(window, kRight, tree_.filePath(QStringLiteral("work")));
    auto arrow = [&](int side, int column) {
      return window.list(side)
          ->model()
          ->headerData(column, Qt::Horizontal, PanelModel::kSortArrowRole)
          .toInt();
    };
    QCOMPARE(arrow(kLeft, 0), int(kArrowUp));

    window.list(kLeft)->header()->sectionClicked(0);  // from ascending: descending
    QCOMPARE(Names(window, kLeft), (QStringList{"..", "inner", "notes.txt", "big.bin", ".hidden"}));
    window.list(kRight)->header()->sectionClicked(0);  // shared mode: ascending again
    QCOMPARE(Names(window, kRight),
             (QStringList{"..", "inner", ".hidden", "big.bin", "notes.txt"}));
    QCOMPARE(arrow(kLeft, 0), int(kArrowDown));
    QCOMPARE(arrow(kRight, 0), int(kArrowUp));

    window.list(kRight)->header()->sectionClicked(1);
    QCOMPARE(Names(window, kRight),
             (QStringList{"..", "inner", ".hidden", "notes.txt", "big.bin"}));
    QCOMPARE(arrow(kRight, 0), int(kNoArrow));
    QCOMPARE(arrow(kRight, 1), int(kArrowUp));

    window.list(kRight)->header()->sectionClicked(2);
    QCOMPARE(Names(window, kRight),
             (QStringList{"..", "inner", ".hidden", "notes.txt", "big.bin"}));
    QCOMPARE(arrow(kRight, 1), int(kArrowUp));
    QCOMPARE(window.list(kRight)->model()->headerData(2, Qt::Horizontal).toString(),
             QStringLiteral("Date/Time"));

    // A re-read orders by name again; the size arrow stays.
    fillLocalPanel(window, kRight);
    QCOMPARE(Names(window, kRight),
             (QStringList{"..", "inner", ".hidden", "big.bin", "notes.txt"}));
    QCOMPARE(arrow(kRight, 1), int(kArrowUp));
  }

  void driveSelectorsListTheHandsetRootAndHome() {
    WindowUnderTest test;
    MainWindow& window = *test.window;
    for (int side : {kLeft, kRight}) {
      QComboBox* selector = window.driveSelector(side);
      QVERIFY(selector->count() >= 3);
      QCOMPARE(selector->itemText(0), QStringLiteral("P2k Mobile phone"));
      QVERIFY(selector->itemText(1).startsWith(QStringLiteral("/ ")));
      QVERIFY(selector->itemText(2).startsWith(QDir::homePath() + QLatin1Char(' ')));
      QCOMPARE(selector->currentIndex(), 2);
      QCOMPARE(window.pathField(side)->text(), QDir::homePath());
    }
  }

  // Re-read lists the panel's own directory again, whatever the other panel listed last: on the
  // home entry too, or on the root entry but walked into the home directory.
  void rereadStaysInThePanelsOwnDirectory_data() {
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("otherEntry");
    QTest::addColumn<int>("command");
    for (int side : {kLeft, kRight}) {
      const int button = side == kLeft ? ids::kLeftRereadButton : ids::kRightRereadButton;
      const char* name = side == kLeft ? "left" : "right";
      QTest::addRow("%s, both on home", name) << side << 2 << button;
      QTest::addRow("%s, both on home, by Alt+R", name) << side << 2 << int(ids::kRereadKey);
      QTest::addRow("%s, the other on the root entry", name) << side << 1 << button;
    }
  }
  void rereadStaysInThePanelsOwnDirectory() {
    QFETCH(int, side);
    QFETCH(int, otherEntry);
    QFETCH(int, command);
    // The temporary tree is the home directory, the selectors' entry 2.
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(tree_.path()));
    const auto restoreHome = qScopeGuard([&home] { qputenv("HOME", home); });
    WindowUnderTest test;
    MainWindow& window = *test.window;
    const int other = 1 - side;
    QCOMPARE(window.pathField(side)->text(), tree_.path());

    const QString own = tree_.filePath(QStringLiteral("work"));
    Activate(window, side, RowOf(window, side, QStringLiteral("work")));
    QCOMPARE(window.pathField(side)->text(), own);
    // The other side lists a directory of the home tree last.
    window.driveSelector(other)->setCurrentIndex(otherEntry);
    onDriveChosen(window, other);
    const QString elsewhere = tree_.filePath(QStringLiteral("Beta"));
    Show(window, other, elsewhere);
    window.setActiveSide(side);  // Alt+R re-reads the active side

    window.OnCommand(command);

    QCOMPARE(window.pathField(side)->text(), own);
    QCOMPARE(Names(window, side), (QStringList{"..", "inner", ".hidden", "big.bin", "notes.txt"}));
    QCOMPARE(window.driveSelector(side)->currentIndex(), 2);
    QCOMPARE(window.pathField(other)->text(), elsewhere);
    QCOMPARE(window.driveSelector(other)->currentIndex(), otherEntry);
  }

  // Home lies on "/": a walk up out of it moves the selector to the drive the directory is on,
  // and a re-read then stays there instead of going back into home.
  void aWalkOutOfHomeMovesTheSelectorAndRereadStaysThere() {
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(tree_.path()));
    const auto restoreHome = qScopeGuard([&home] { qputenv("HOME", home); });
    WindowUnderTest test;
    MainWindow& window = *test.window;
    QCOMPARE(window.driveSelector(kLeft)->currentIndex(), 2);

    Activate(window, kLeft, RowOf(window, kLeft, QStringLiteral("..")));
    const QString above = QFileInfo(tree_.path()).absolutePath();
    QCOMPARE(window.pathField(kLeft)->text(), above);
    QVERIFY(window.driveSelector(kLeft)->currentIndex() != 2);
    QCOMPARE(window.panel(kLeft).driveIndex, window.driveSelector(kLeft)->currentIndex());

    window.OnCommand(ids::kLeftRereadButton);
    QCOMPARE(window.pathField(kLeft)->text(), above);
    QVERIFY(Names(window, kLeft).contains(QFileInfo(tree_.path()).fileName()));

    // Back down into home the panel stays on the drive it shows, and a re-read stays there.
    const int entry = window.driveSelector(kLeft)->currentIndex();
    Activate(window, kLeft, RowOf(window, kLeft, QFileInfo(tree_.path()).fileName()));
    QCOMPARE(window.pathField(kLeft)->text(), tree_.path());
    QCOMPARE(window.driveSelector(kLeft)->currentIndex(), entry);
    window.OnCommand(ids::kLeftRereadButton);
    QCOMPARE(window.pathField(kLeft)->text(), tree_.path());
  }

 private:
  QTemporaryDir tree_;
};

QTEST_MAIN(PanelLocalTest)
#include "panel_local_test.moc"
