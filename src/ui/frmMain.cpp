#include "ui/frmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QVBoxLayout>

#include "engine/StatusRows.h"
#include "runtime/PanelHost.h"
#include "ui/Bytes.h"
#include "ui/ConnectionIndicator.h"
#include "ui/Dialogs.h"
#include "ui/TrayIcon.h"
#include "ui/Twips.h"
#include "ui/frmAbout.h"
#include "ui/frmSetup.h"

namespace vyr {

namespace {

// Design values, in twips.
constexpr int kClientWidth = 5535;
constexpr int kClientHeight = 5550;   // before the rows are first counted
constexpr int kCaptionAndMenu = 735;  // title bar, borders and menu bar of the set height
constexpr int kFirstRowTop = 840;
constexpr int kOutLeft = 480, kOutWidth = 1815;
constexpr int kSourceLeft = 2880, kSourceWidth = 1575;
constexpr int kRowHeight = 240;
// The window grows by one pitch a row, from the frame around the rows.
constexpr int kRowPitch = 480;
constexpr int kFrame = 1600;

QColor ColourOf(int32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

QLabel* BoardLabel(QWidget* board, const QString& name, const QString& text, bool bold) {
  auto* l = new QLabel(text, board);
  l->setObjectName(name);
  l->setFont(PanelFont(bold));
  return l;
}

}  // namespace

QIcon AppIcon() {
  QIcon icon(QStringLiteral(":/icons/vyr-return-64.png"));
  if (icon.isNull()) icon = QIcon(MakerLogo());
  return icon;
}

frmMain::frmMain(PanelHost& host, Dialogs& dialogs, TrayIcon& tray, QWidget* parent)
    : QMainWindow(parent), host_(host), dialogs_(dialogs), tray_(tray) {
  setObjectName("frmMain");
  setWindowTitle(kTitle);
  setWindowIcon(AppIcon());

  auto* mnuFile = menuBar()->addMenu("&File");
  mnuFile->setObjectName("mnuFile");
  QAction* mnuSetup = mnuFile->addAction("Set&up", this, [this] { mnuSetup_Click(); });
  mnuSetup->setObjectName("mnuSetup");
  mnuFile->addSeparator()->setObjectName("mnuSep");
  mnuFile->addAction("E&xit", this, [this] { mnuExit_Click(); })->setObjectName("mnuExit");
  auto* mnuHelp = menuBar()->addMenu("&Help");
  mnuHelp->setObjectName("mnuHelp");
  mnuHelp->addAction("About", this, [this] { mnuAbout_Click(); })->setObjectName("mnuAbout");
  // Not in the bar: the tray icon's own menu.
  mnuSysTray_ = new QMenu("&SysTray", this);
  mnuSysTray_->setObjectName("mnuSysTray");
  mnuSysTray_->addAction("&Restore", this, [this] { mnuPopRestore_Click(); })
      ->setObjectName("mnuPopRestore");
  mnuSysTray_->addSeparator()->setObjectName("mnuSep3");
  mnuSysTray_->addAction("E&xit", this, [this] { mnuPopExit_Click(); })
      ->setObjectName("mnuPopExit");

  auto* client = new QWidget(this);
  client->setObjectName("client");
  QPalette grey = client->palette();
  grey.setColor(QPalette::Window, QColor(224, 224, 224));
  client->setPalette(grey);
  client->setAutoFillBackground(true);
  board_ = new QWidget(client);
  board_->setObjectName("board");
  Place(BoardLabel(board_, "LblDest", "Destination", true), 480, 360, 1935, 240);
  Place(BoardLabel(board_, "lblCurrent", "Current Source", true), 2880, 360, 1935, 240);
  lblPoll_ = BoardLabel(board_, "lblPoll", QString(), false);
  Place(lblPoll_, 1560, 120, 1095, 255);
  lblPoll_->setStyleSheet("color: rgb(96, 96, 96);");

  auto* rule = new QFrame(client);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  indicator_ = new ConnectionIndicator(client);
  indicator_->setFont(PanelFont());
  indicator_->setFixedHeight(22);
  auto* column = new QVBoxLayout(client);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(board_);
  column->addWidget(rule);
  column->addWidget(indicator_);
  setCentralWidget(client);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  connect(&tray_, &TrayIcon::DoubleClicked, this, [this] { Restore(); });
  host_.AddListener(*this);
  host_.AddListener(*indicator_);
  ShowRows();
  PollChanged(host_.rows().PollCaption());
}

frmMain::~frmMain() {
  host_.RemoveListener(*indicator_);
  host_.RemoveListener(*this);
}

int frmMain::BoardHeight() const { return board_->height(); }

void frmMain::SizeBoard() {
  const int height = heightTwips_ == 0 ? Px(kClientHeight) : Px(heightTwips_ - kCaptionAndMenu);
  board_->setFixedSize(Px(kClientWidth), std::max(height, 0));
  // The window takes its new height now, not on the next pass of the loop.
  centralWidget()->layout()->activate();
  layout()->activate();
}

void frmMain::RowsRebuilt(int16_t count) {
  // Too many rows for the window's height keep the height it had.
  if (count <= StatusRows::kMostRows) heightTwips_ = count * kRowPitch + kFrame;
  ShowRows();
}

void frmMain::ShowRows() {
  const int count = host_.rows().Count();
  while (static_cast<int>(rows_.size()) > count) {
    delete rows_.back().first;
    delete rows_.back().second;
    rows_.pop_back();
  }
  while (static_cast<int>(rows_.size()) < count) {
    const int i = static_cast<int>(rows_.size());
    const int top = kFirstRowTop + kRowPitch * i;
    auto* out = BoardLabel(board_, QStringLiteral("lblOut_%1").arg(i), QString(), false);
    auto* source = BoardLabel(board_, QStringLiteral("lblSource_%1").arg(i), QString(), false);
    Place(out, kOutLeft, top, kOutWidth, kRowHeight);
    Place(source, kSourceLeft, top, kSourceWidth, kRowHeight);
    out->show();
    source->show();
    rows_.emplace_back(out, source);
  }
  for (int i = 0; i < count; ++i) ShowRow(i, host_.rows().Row(i));
  SizeBoard();
}

void frmMain::RowChanged(int16_t row, const StatusRow& content) {
  if (row >= 0 && row < static_cast<int>(rows_.size())) ShowRow(row, content);
}

void frmMain::ShowRow(int row, const StatusRow& r) {
  auto [out, source] = rows_[static_cast<std::size_t>(row)];
  out->setText(Latin1(r.sOut));
  source->setText(Latin1(r.sSource));
  QString tip = Latin1(r.sTip);
  if (host_.state().iWatchCount == 0) {
    // Nothing is watched: the one row says where outputs are chosen.
    out->setText("No outputs watched");
    source->setText("Choose them in Setup");
    tip = "File > Setup > Configure Outputs chooses the outputs to watch";
  }
  for (QLabel* l : {out, source}) {
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, ColourOf(r.lColour));
    l->setPalette(pal);
    l->setToolTip(tip);
  }
}

void frmMain::PollChanged(const std::string& caption) { lblPoll_->setText(Latin1(caption)); }

void frmMain::Form_Load(const std::string& folder) {
  const bool configured = host_.Start(folder);
  ShowRows();  // the watch list is known now
  if (configured) return;
  dialogs_.MessageBox(this,
                      "System Not Yet Configured.\rPlease specify the IP Address of the Computer "
                      "running the Server Module",
                      Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation, "Configuration Error");
  frmSetup setup(host_.panel(), dialogs_, this);
  setup.SetTag("Initial");
  dialogs_.ShowModal(setup);
  ShowRows();
}

void frmMain::mnuSetup_Click() {
  frmSetup setup(host_.panel(), dialogs_, this);
  dialogs_.ShowModal(setup);
  ShowRows();  // the watch list may have changed, its length or not
}

void frmMain::mnuAbout_Click() {
  // Loaded once; Ok only hides it.
  if (about_ == nullptr) about_ = new frmAbout(host_.state(), this);
  dialogs_.ShowModal(*about_);
}

void frmMain::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) Form_Resize();
}

void frmMain::Form_Resize() {
  AppState& st = host_.state();
  if (st.bBusy || !(windowState() & Qt::WindowMinimized)) return;
  // Without a notification area the window would vanish with nothing to
  // bring it back: it stays minimised on the task bar instead.
  if (!tray_.IsAvailable() || st.nidTray.bShown) return;
  hide();
  st.nidTray.sTip = kTitle;
  st.nidTray.bShown = true;
  tray_.Add(windowIcon(), kTitle, mnuSysTray_);
}

void frmMain::Restore() {
  AppState& st = host_.state();
  st.bBusy = true;
  showNormal();
  raise();
  activateWindow();
  if (st.nidTray.bShown) tray_.Remove();
  st.nidTray.bShown = false;
  st.bBusy = false;
}

void frmMain::closeEvent(QCloseEvent* event) {
  if (!unloading_ && !Form_QueryUnload()) {
    event->ignore();
    return;
  }
  unloading_ = true;
  Form_Unload();
  Form_Terminate();
  event->accept();
  emit Unloaded();
}

bool frmMain::Form_QueryUnload() {
  return dialogs_.MessageBox(this,
                             "Do You Wish To Exit?\r\rOutputs will no longer be monitored and "
                             "retuned to their last source\r",
                             Dialogs::Buttons::OkCancel, Dialogs::Icon::Question, " Confirm Exit",
                             Dialogs::Answer::Cancel) == Dialogs::Answer::Ok;
}

// Closes every other window of the program, most recent first. Nothing is
// sent to the switcher: the outputs stay as they are.
void frmMain::Form_Unload() {
  const QWidgetList windows = QApplication::topLevelWidgets();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    if (*it != this && (*it)->isVisible()) (*it)->close();
  }
}

void frmMain::Form_Terminate() {
  AppState& st = host_.state();
  if (st.nidTray.bShown) tray_.Remove();
  st.nidTray.bShown = false;
}

}  // namespace vyr
