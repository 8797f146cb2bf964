#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QTreeView>

#include "app/accelerator_table.h"
#include "app/control_ids.h"
#include "app/event_log_view.h"
#include "app/file_prompts.h"
#include "app/shell_integration_commands.h"
#include "app/tool_tips.h"
#include "handset/handset_names.h"
#include "panels/ui/handset_session.h"
#include "panels/ui/panel_operations.h"
#include "panels/ui/panels_state.h"
#include "panels/ui/selector_wheel.h"
#include "support/app_paths.h"
#include "support/ui/button_icons.h"
#include "support/ui/control_ids.h"
#include "support/ui/resource_images.h"
#include "support/ui/shell_integration.h"
#include "support/ui/update_check.h"

namespace tollhaven {
namespace {

// The window's controls were first laid out in dialog units of an 8-point face: four units
// across are six pixels, eight units down are thirteen.
int DluX(int units) {
  return (units * 6 + 2) / 4;
}
int DluY(int units) {
  return (units * 13 + 4) / 8;
}
QRect DialogRect(int x, int y, int width, int height) {
  return QRect(DluX(x), DluY(y), DluX(width), DluY(height));
}

// The client area the window opens with: the template's 410 units across, and down to where the
// status bar begins.
constexpr int kTemplateWidth = 410;
constexpr int kTemplateClientHeight = 222;

QString ProgramCaption() {
  return QStringLiteral("Tollhaven v3.28");
}

template <typename Widget>
Widget* MakeControl(QWidget* parent, int id, const char* objectName, QRect geometry) {
  auto* control = new Widget(parent);
  SetControlId(control, id, QString::fromLatin1(objectName));
  control->setGeometry(geometry);
  return control;
}

QPushButton* MakeButton(QWidget* parent, int id, const char* objectName, const QString& label,
                        QRect geometry) {
  auto* button = MakeControl<QPushButton>(parent, id, objectName, geometry);
  button->setText(label);
  return button;
}

QTreeView* MakeList(QWidget* parent, int id, const char* objectName, QRect geometry) {
  auto* list = MakeControl<QTreeView>(parent, id, objectName, geometry);
  list->setRootIsDecorated(false);
  list->setItemsExpandable(false);
  list->setUniformRowHeights(true);
  list->setAllColumnsShowFocus(true);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  // The three columns the panels fill; the panels bring their own model later.
  auto* rows = new QStandardItemModel(0, 3, list);
  rows->setHorizontalHeaderLabels(
      {QStringLiteral("Filename"), QStringLiteral("Size"), QStringLiteral("Date/Time")});
  rows->setHeaderData(1, Qt::Horizontal, int(Qt::AlignRight | Qt::AlignVCenter),
                      Qt::TextAlignmentRole);
  list->setModel(rows);
  list->header()->setStretchLastSection(false);
  list->setColumnWidth(0, 140);
  list->setColumnWidth(1, 68);
  list->setColumnWidth(2, 120);
  return list;
}

}  // namespace

MainWindow::MainWindow(AppPaths paths, QStringList arguments, HandsetReach reach, QWidget* parent)
    : QMainWindow(parent), paths_(std::move(paths)), arguments_(std::move(arguments)) {
  InitResources();
  BuildControls();
  BuildMenu();
  MakeServices(std::move(reach));
  Initialise();
}

void MainWindow::MakeServices(HandsetReach reach) {
  panels_ = std::make_unique<PanelsState>(TemplatesDirectory(paths_.exeDir));
  prompts_ = std::make_unique<FilePrompts>(*this);
  session_ = std::make_unique<HandsetSession>(*this, log_, settings_, *statusBar_, *progressBar_,
                                              std::move(reach));
  updateCheck_ = std::make_unique<UpdateCheck>(this);
  shellIntegration_ = MakeShellIntegration(paths_.exeDir);
  // Every way the window uploads (copy, drop, paste, patch run) asks the same questions.
  HandsetFiles& files = session_->files();
  files.askReplaceUnkept = [this](std::string_view handsetPath) {
    return prompts_->askReplaceUnkept(QString::fromStdString(Utf8FromHandsetName(handsetPath)));
  };
  files.askReplaceCaseTwin = [this](std::string_view listedPath, std::string_view newPath) {
    const auto name = [](std::string_view path) {
      return QString::fromStdString(Utf8FromHandsetName(path.substr(path.rfind('/') + 1)));
    };
    return prompts_->askReplaceCaseTwin(name(listedPath), name(newPath));
  };
}

MainWindow::~MainWindow() {
  // The log view mirrors log_, which goes before the widgets do.
  delete logView_;
  logView_ = nullptr;
}

QFont MainWindow::listFont() const {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(12);
  font.setWeight(QFont::DemiBold);  // 600
  return font;
}

void MainWindow::BuildControls() {
  setWindowTitle(ProgramCaption());
  setObjectName(QStringLiteral("mainWindow"));
  QFont face(QStringLiteral("Arial"));
  face.setPointSize(8);
  setFont(face);

  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("clientArea"));
  setCentralWidget(client_);
  QWidget* c = client_;

  lists_[kLeft] = MakeList(c, ids::kLeftList, "leftList", DialogRect(2, 25, 200, 148));
  const int splitX = lists_[kLeft]->geometry().right() + 1;
  lists_[kRight] = MakeList(c, ids::kRightList, "rightList", DialogRect(205, 25, 194, 148));
  selectors_[kLeft] = MakeControl<QComboBox>(c, ids::kLeftDriveSelector, "leftDriveSelector",
                                             DialogRect(2, 1, 89, 13));
  selectors_[kRight] = MakeControl<QComboBox>(c, ids::kRightDriveSelector, "rightDriveSelector",
                                              DialogRect(205, 1, 89, 13));
  rereadButtons_[kLeft] = MakeButton(c, ids::kLeftRereadButton, "leftRereadButton",
                                     QStringLiteral("Re-read"), DialogRect(92, 1, 50, 13));
  rereadButtons_[kRight] = MakeButton(c, ids::kRightRereadButton, "rightRereadButton",
                                      QStringLiteral("Re-read"), DialogRect(295, 1, 50, 13));
  pathFields_[kLeft] =
      MakeControl<QLineEdit>(c, ids::kLeftPathField, "leftPathField", DialogRect(2, 14, 200, 10));
  pathFields_[kRight] = MakeControl<QLineEdit>(c, ids::kRightPathField, "rightPathField",
                                               DialogRect(205, 14, 194, 10));
  logView_ = new EventLogView(log_, c);
  SetControlId(logView_, ids::kEventLog, QStringLiteral("eventLog"));
  logView_->setGeometry(DialogRect(2, 174, 133, 48));

  viewButton_ = MakeButton(c, ids::kViewButton, "viewButton", QStringLiteral("View"),
                           DialogRect(198, 174, 46, 17));
  editButton_ = MakeButton(c, ids::kEditButton, "editButton", QStringLiteral("Edit"),
                           DialogRect(246, 174, 46, 17));
  attributesButton_ = MakeButton(c, ids::kAttributesButton, "attributesButton",
                                 QStringLiteral("Attributes"), DialogRect(294, 174, 62, 17));
  restartButton_ = MakeButton(c, ids::kRestartButton, "restartButton", QStringLiteral("Restart"),
                              DialogRect(358, 174, 46, 17));
  moveButton_ = MakeButton(c, ids::kMoveButton, "moveButton", QStringLiteral("Move"),
                           DialogRect(198, 192, 46, 17));
  copyButton_ = MakeButton(c, ids::kCopyButton, "copyButton", QStringLiteral("Copy"),
                           DialogRect(246, 192, 46, 17));
  newFolderButton_ = MakeButton(c, ids::kNewFolderButton, "newFolderButton",
                                QStringLiteral("New folder"), DialogRect(294, 192, 62, 17));
  deleteButton_ = MakeButton(c, ids::kDeleteButton, "deleteButton", QStringLiteral("Delete"),
                             DialogRect(358, 192, 46, 17));
  attributesButton_->setEnabled(false);
  moveButton_->setEnabled(false);

  progressBar_ = new ProgressBar(c);
  SetControlId(progressBar_, ids::kProgressBar, QStringLiteral("progressBar"));
  progressBar_->setGeometry(DialogRect(198, 209, 192, 13));

  statusBar_ = new StatusBar(this);
  SetControlId(statusBar_, ids::kStatusBar, QStringLiteral("statusBar"));
  setStatusBar(statusBar_);

  // Targets of the keys that have no visible control; never shown.
  struct HiddenKey {
    int id;
    const char* objectName;
    const char* label;
    QRect geometry;
  };
  const HiddenKey hidden[] = {
      {ids::kCloseKey, "closeKey", "F10", DialogRect(2, 222, 22, 11)},
      {ids::kLeftSelectorKey, "leftSelectorKey", "AF1", DialogRect(28, 222, 18, 11)},
      {ids::kRightSelectorKey, "rightSelectorKey", "AF2", DialogRect(50, 222, 20, 11)},
      {ids::kTabKey, "tabKey", "TAB", DialogRect(74, 222, 18, 11)},
      {ids::kSelectKey, "selectKey", "SEL", DialogRect(95, 222, 18, 11)},
      {ids::kRereadKey, "rereadKey", "RR", DialogRect(116, 222, 18, 10)},
      {ids::kBackKey, "backKey", "BS", DialogRect(159, 222, 18, 10)},
  };
  for (const HiddenKey& key : hidden) {
    QPushButton* button =
        MakeButton(c, key.id, key.objectName, QString::fromLatin1(key.label), key.geometry);
    button->hide();
    connect(button, &QPushButton::clicked, this, [this, id = key.id] { OnCommand(id); });
  }

  // The right panel begins one gap right of the left list, whatever the rounding above gave.
  LayoutRects rects = layoutRects();
  MoveSplit(rects, splitX);
  rects.rightList.right = DluX(205 + 194);
  ApplyRects(rects);

  splitterHandle_ = new QWidget(c);
  splitterHandle_->setObjectName(QStringLiteral("splitter"));
  splitterHandle_->setCursor(Qt::SizeHorCursor);
  splitterHandle_->installEventFilter(this);
  PlaceSplitterHandle();

  for (QPushButton* button :
       {viewButton_, editButton_, attributesButton_, restartButton_, moveButton_, copyButton_,
        newFolderButton_, deleteButton_, rereadButtons_[kLeft], rereadButtons_[kRight]}) {
    const int id = button->property(kControlIdProperty).toInt();
    connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
  }
  for (int side : {kLeft, kRight}) {
    QTreeView* list = lists_[side];
    list->installEventFilter(this);
    list->viewport()->installEventFilter(this);
    connect(list, &QTreeView::activated, this,
            [this, side] { OnListNotification(side, ListEvent::Activated); });
    connect(list->header(), &QHeaderView::sectionClicked, this, [this, side](int column) {
      OnListNotification(side, ListEvent::ColumnClicked, column);
    });
    connect(list, &QTreeView::customContextMenuRequested, this, [this, list](const QPoint& at) {
      commandsMenu_->popup(list->viewport()->mapToGlobal(at));
    });
    pathFields_[side]->installEventFilter(this);
    connect(selectors_[side], &QComboBox::activated, this,
            [this, side] { onDriveChosen(*this, side); });
    IgnoreWheelWhileClosed(selectors_[side]);
  }
  client_->installEventFilter(this);

  // The window opens at its first size, centred; the saved rectangle comes with the fade-in.
  resize(DluX(kTemplateWidth), DluY(kTemplateClientHeight) + menuBar()->sizeHint().height() +
                                   statusBar_->sizeHint().height());
  if (const QScreen* display = screen()) {
    QRect centred = frameGeometry();
    centred.moveCenter(display->availableGeometry().center());
    move(centred.topLeft());
  }
}

void MainWindow::BuildMenu() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("fileMenu"));
  commandsMenu_ = file->addMenu(QStringLiteral("&Commands"));
  commandsMenu_->setObjectName(QStringLiteral("commandsMenu"));
  commandsMenu_->menuAction()->setData(ids::kMenuCommands);

  auto add = [this](QMenu* menu, int id, const QString& label) {
    QAction* action = menu->addAction(label);
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    return action;
  };
  attributesAction_ = add(commandsMenu_, ids::kMenuAttributes, QStringLiteral("F2 - Attributes"));
  viewAction_ = add(commandsMenu_, ids::kMenuView, QStringLiteral("F3 - View"));
  editAction_ = add(commandsMenu_, ids::kMenuEdit, QStringLiteral("F4 - Edit"));
  add(commandsMenu_, ids::kMenuCopy, QStringLiteral("F5 - Copy"));
  add(commandsMenu_, ids::kMenuMove, QStringLiteral("F6 - Move"))->setEnabled(false);
  add(commandsMenu_, ids::kMenuNewFolder, QStringLiteral("F7 - New folder"));
  add(commandsMenu_, ids::kMenuDelete, QStringLiteral("F8 - Delete"));
  add(commandsMenu_, ids::kMenuRestart, QStringLiteral("F9 - Restart handset"));
  add(file, ids::kMenuExit, QStringLiteral("E&xit"));

  QAction* options = menuBar()->addAction(QStringLiteral("&Options"));
  options->setData(ids::kMenuOptions);
  connect(options, &QAction::triggered, this, [this] { OnCommand(ids::kMenuOptions); });

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("helpMenu"));
  add(help, ids::kMenuAbout, QStringLiteral("&About"));
}

void MainWindow::SetupButtonImages() {
  const struct {
    QPushButton* button;
    const char* resource;
  } images[] = {
      {viewButton_, kViewIcon},
      {editButton_, kEditIcon},
      {attributesButton_, kAttributesIcon},
      {copyButton_, kCopyIcon},
      {newFolderButton_, kNewFolderIcon},
      {moveButton_, kMoveIcon},
      {deleteButton_, kDeleteIcon},
      {restartButton_, kRestartIcon},
  };
  for (const auto& image : images) {
    SetButtonIcon(image.button, QString::fromLatin1(image.resource), 24);
  }
  for (QPushButton* button : rereadButtons_) {
    SetButtonIcon(button, QString::fromLatin1(kRereadIcon), 16);
  }
}

void MainWindow::Initialise() {
  // The directory the program runs from is the first line of every run's log, and the current
  // directory from here on.
  log_.AppendLog(paths_.exeDir.string());
  QDir::setCurrent(QString::fromStdString(paths_.exeDir.string()));

  LoadSettings(settings_, paths_.configDir / kSettingsFileName);
  startupOpacity_ = 0;
  if (settings_.fadeIn == 1) {
    setWindowOpacity(0.0);
    startupTimer_.setInterval(10);
  } else {
    startupTimer_.setInterval(1);
  }
  connect(&startupTimer_, &QTimer::timeout, this, &MainWindow::OnStartupTick);
  startupTimer_.start();

  qApp->installEventFilter(new AcceleratorFilter(this, [this](int id) { OnCommand(id); }));
  setWindowIcon(QIcon(QString::fromLatin1(kAppIcon)));

  statusBar_->SetStatusText(3, "Model:");
  statusBar_->SetStatusText(1, "Vols: ");
  statusBar_->SetStatusText(2, "Files:");
  statusBar_->SetStatusText(0, "Space:");

  for (int side : {kLeft, kRight}) {
    lists_[side]->setFont(listFont());
    pathFields_[side]->setFont(listFont());
  }
  SetupButtonImages();
  SetupToolTips(this);
  RunShellIntegration(*this);

  // Both sides start on selector entry 2 and at the handset's root.
  for (PanelSide& side : sides_) {
    side = PanelSide{};
  }
  for (int side : {kLeft, kRight}) {
    fillDriveSelector(*this, side);
    InsertHandsetEntry(side);
  }
  setupPanels(*this);
  for (int side : {kRight, kLeft}) {
    selectors_[side]->setCurrentIndex(sides_[side].driveIndex);
    selectLocalDrive(*this, side, sides_[side].driveIndex);
    fillLocalPanel(*this, side);
  }
  for (PanelSide& side : sides_) {
    side.rememberedRow = 0;
  }
  SetPathFieldEnabling(activeSide_);
  restoreSelection(*this, kLeft, 0);

  log_.logMuted = 0;
  log_.AppendLog("Tollhaven launched.");
  installDropHandlers(*this);
}

void MainWindow::InsertHandsetEntry(int side) {
  selectors_[side]->insertItem(0, windowIcon(), QStringLiteral("P2k Mobile phone"));
}

}  // namespace tollhaven
