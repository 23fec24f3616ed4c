#include "ui/frmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "engine/StatusRows.h"
#include "runtime/PanelHost.h"
#include "ui/ActivityList.h"
#include "ui/Bytes.h"
#include "ui/ConnectionIndicator.h"
#include "ui/Dialogs.h"
#include "ui/TrayIcon.h"
#include "ui/TrayStatus.h"
#include "ui/Twips.h"
#include "ui/frmAbout.h"
#include "ui/frmSetup.h"

namespace vyr {

namespace {

// Design values, in twips.
constexpr int kClientWidth = 5535;
constexpr int kHeaderHeight = 840;  // poll counter and column headings, above the rows
constexpr int kOutLeft = 480, kOutWidth = 1815;
// The source runs to the window's edge: sums and alarm captions are long.
constexpr int kSourceLeft = 2880, kSourceWidth = 2535;
constexpr int kRowHeight = 240;
constexpr int kRowPitch = 480;
// Title bar and borders, until the window manager has framed the window.
constexpr int kFrameGuess = 40;

QColor ColourOf(int32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }
const QColor kStaleText(160, 160, 160);
const QColor kAlarmBackground(255, 214, 214);

QLabel* BoardLabel(QWidget* board, const QString& name, const QString& text, bool bold) {
  auto* l = new QLabel(text, board);
  l->setObjectName(name);
  l->setFont(PanelFont(bold));
  return l;
}

// Asks for the rows' height up to a limit the window sets; scrolls beyond.
class RowsArea final : public QScrollArea {
 public:
  using QScrollArea::QScrollArea;
  int hintHeight = 0;
  QSize sizeHint() const override { return {minimumWidth(), hintHeight}; }
  // The least height is set with the rows; the scroll bars' own would add
  // to one or two rows.
  QSize minimumSizeHint() const override { return {minimumWidth(), 0}; }
};

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
  auto* mnuView = menuBar()->addMenu("&View");
  mnuView->setObjectName("mnuView");
  QAction* mnuActivity = mnuView->addAction("&Activity");
  mnuActivity->setObjectName("mnuActivity");
  mnuActivity->setCheckable(true);
  mnuActivity->setChecked(true);
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
  auto* header = new QWidget(client);
  header->setObjectName("header");
  header->setFixedSize(Px(kClientWidth), Px(kHeaderHeight));
  Place(BoardLabel(header, "LblDest", "Destination", true), 480, 360, 1935, 240);
  Place(BoardLabel(header, "lblCurrent", "Current Source", true), 2880, 360, 1935, 240);
  lblPoll_ = BoardLabel(header, "lblPoll", QString(), false);
  Place(lblPoll_, 1560, 120, 2400, 255);
  lblPoll_->setStyleSheet("color: rgb(96, 96, 96);");
  pollRedraw_ = new QTimer(this);
  pollRedraw_->setSingleShot(true);
  connect(pollRedraw_, &QTimer::timeout, this, [this] { DrawPoll(); });

  auto* area = new RowsArea(client);
  scroll_ = area;
  scroll_->setObjectName("scrollRows");
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll_->setBackgroundRole(QPalette::Window);
  // As wide with a scroll bar as without: the window keeps its width.
  scroll_->setMinimumWidth(Px(kClientWidth) +
                           scroll_->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  board_ = new QWidget;
  board_->setObjectName("board");
  board_->setAutoFillBackground(false);
  scroll_->setWidget(board_);
  hint_ = new QLabel("No outputs watched: File > Setup > Configure Outputs", client);
  hint_->setObjectName("lblHint");
  hint_->setFont(PanelFont());
  hint_->setContentsMargins(Px(kOutLeft), 0, 0, Px(kRowPitch));
  hint_->hide();

  indicator_ = new ConnectionIndicator(this);
  indicator_->setFont(PanelFont());
  indicator_->setFixedHeight(22);
  statusBar()->addWidget(indicator_, 1);
  // The rows keep to the top: a widget added last to the column below them
  // takes any height the window has to spare.
  auto* column = new QVBoxLayout(client);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(header);
  column->addWidget(scroll_, 0, Qt::AlignTop | Qt::AlignLeft);
  column->addWidget(hint_, 0, Qt::AlignTop | Qt::AlignLeft);
  activity_ = new ActivityList(client);
  column->addWidget(activity_, 1);
  connect(mnuActivity, &QAction::toggled, this, [this](bool on) {
    activity_->setVisible(on);
    SizeBoard();  // the window gives up the list's room, or takes it back
  });
  setCentralWidget(client);
  trayStatus_ = std::make_unique<TrayStatus>(
      tray_, host_.rows(), [this] { return host_.state().nidTray.bShown || !isVisible(); });

  connect(&tray_, &TrayIcon::DoubleClicked, this, [this] { Restore(); });
  host_.AddListener(*this);
  host_.AddListener(*indicator_);
  host_.AddListener(*trayStatus_);
  host_.activity().Add(*activity_);
  ShowRows();
  PollChanged(host_.rows().PollCaption());
}

frmMain::~frmMain() {
  host_.RemoveListener(*trayStatus_);
  host_.activity().Remove(*activity_);
  host_.RemoveListener(*indicator_);
  host_.RemoveListener(*this);
}

int frmMain::BoardHeight() const { return scroll_->isHidden() ? 0 : scroll_->height(); }

void frmMain::SizeBoard() {
  auto* area = static_cast<RowsArea*>(scroll_);
  const bool none = host_.state().iWatchCount == 0;
  scroll_->setHidden(none);
  hint_->setHidden(!none);
  const int content = static_cast<int>(rows_.size()) * Px(kRowPitch);
  board_->setFixedSize(Px(kClientWidth), content);
  // The window grows with the rows up to the screen's free height, less its
  // frame, menu, headings, status line and whatever else is in the column;
  // the rows scroll beyond that.
  area->hintHeight = content;
  scroll_->setMinimumHeight(std::min(content, 2 * Px(kRowPitch)));
  Relayout();
  const int rows = none ? 0 : content;
  const int others = menuBar()->sizeHint().height() + statusBar()->sizeHint().height() +
                     centralWidget()->layout()->sizeHint().height() - rows;
  const QScreen* at = screen() ? screen() : QGuiApplication::primaryScreen();
  const int frame = std::max(frameGeometry().height() - this->height(), kFrameGuess);
  const int room = std::max(at->availableGeometry().height() - frame - others, Px(kRowPitch));
  area->hintHeight = std::min(content, room);
  Relayout();
  const int height = others + std::min(rows, room);
  // The window's least size follows the rows before it is resized.
  centralWidget()->layout()->activate();
  layout()->activate();
  if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
    resize(std::max(width(), layout()->sizeHint().width()), height);
  }
  // The window takes its new height now, not on the next pass of the loop.
  centralWidget()->layout()->activate();
  layout()->activate();
}

void frmMain::Relayout() {
  // Size hints are cached along the way up to the window: each one is
  // dropped, so that the window's hint counts the rows' new height.
  scroll_->updateGeometry();
  centralWidget()->layout()->invalidate();
  centralWidget()->updateGeometry();
  layout()->invalidate();
}

void frmMain::RowsRebuilt(int16_t) { ShowRows(); }

void frmMain::ShowRows() {
  const int count = host_.rows().Count();
  while (static_cast<int>(rows_.size()) > count) {
    delete rows_.back().first;
    delete rows_.back().second;
    rows_.pop_back();
  }
  while (static_cast<int>(rows_.size()) < count) {
    const int i = static_cast<int>(rows_.size());
    const int top = kRowPitch * i;
    auto* out = BoardLabel(board_, QStringLiteral("lblOut_%1").arg(i), QString(), false);
    auto* source = BoardLabel(board_, QStringLiteral("lblSource_%1").arg(i), QString(), false);
    Place(out, kOutLeft, top, kOutWidth, kRowHeight);
    Place(source, kSourceLeft, top, kSourceWidth, kRowHeight);
    out->show();
    source->show();
    rows_.emplace_back(out, source);
  }
  stale_ = !host_.state().bConnected;
  for (int i = 0; i < count; ++i) ShowRow(i, host_.rows().Row(i));
  SizeBoard();
}

void frmMain::RowChanged(int16_t row, const StatusRow& content) {
  if (row >= 0 && row < static_cast<int>(rows_.size())) ShowRow(row, content);
}

void frmMain::SetStale(bool stale) {
  if (stale == stale_) return;
  stale_ = stale;
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i) ShowRow(i, host_.rows().Row(i));
}

void frmMain::ShowRow(int row, const StatusRow& r) {
  auto [out, source] = rows_[static_cast<std::size_t>(row)];
  out->setText(Latin1(r.sOut));
  source->setText(Latin1(ShownSource(r)));
  const bool alarm = !stale_ && r.mark == RowMark::kAlarm;
  const char* look = stale_                              ? "stale"
                     : alarm                             ? "alarm"
                     : r.mark == RowMark::kNotOnSwitcher ? "not on switcher"
                                                         : "plain";
  for (QLabel* l : {out, source}) {
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, stale_ ? kStaleText : ColourOf(r.lColour));
    if (alarm) pal.setColor(QPalette::Window, kAlarmBackground);
    l->setPalette(pal);
    l->setAutoFillBackground(alarm);
    l->setToolTip(Latin1(r.sTip));
    l->setProperty("look", look);
  }
}

// The counter moves every poll tick; drawing it that often costs more than
// the rest of an idle window together, so it is drawn at most once a
// second, the latest count showing within a second.
void frmMain::PollChanged(const std::string& caption) {
  pollCaption_ = caption;
  if (pollDrawn_.isValid() && pollDrawn_.elapsed() < kPollRedrawMs) {
    if (!pollRedraw_->isActive()) pollRedraw_->start(kPollRedrawMs - int(pollDrawn_.elapsed()));
    return;
  }
  DrawPoll();
}

void frmMain::DrawPoll() {
  pollRedraw_->stop();
  pollDrawn_.start();
  lblPoll_->setText("Polls: " + Latin1(pollCaption_));
}

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
  st.nidTray.sTip = Bytes(trayStatus_->Tip()).substr(0, 64);
  st.nidTray.bShown = true;
  tray_.Add(trayStatus_->Icon(), trayStatus_->Tip(), mnuSysTray_);
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
