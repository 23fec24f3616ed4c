#pragma once
// The main window: one row per watched output under "Destination" and
// "Current Source" in a scroll area as tall as the rows up to the screen's
// height, the poll counter, the File, View and Help menus, the link
// indicator, the Activity list under the rows, and the tray icon that stands
// in for the window while it is minimised.

#include <QElapsedTimer>
#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

#include "engine/Panel.h"

class QLabel;
class QMenu;
class QScrollArea;
class QTimer;

namespace vyr {

class ActivityList;
class ConnectionIndicator;
class Dialogs;
class PanelHost;
class TrayIcon;
class TrayStatus;
class frmAbout;

class frmMain final : public QMainWindow, private PanelEvents {
  Q_OBJECT
 public:
  frmMain(PanelHost& host, Dialogs& dialogs, TrayIcon& tray, QWidget* parent = nullptr);
  ~frmMain() override;

  // The start-up path with vyrntpnl.ini and Errorlog.txt in `folder`. Without
  // a usable configuration it says so and opens the setup dialog, and
  // returns once that is closed.
  void Form_Load(const std::string& folder);

  void mnuSetup_Click();
  void mnuExit_Click() { close(); }
  void mnuAbout_Click();
  void mnuPopRestore_Click() { Restore(); }
  void mnuPopExit_Click() { close(); }
  void Restore();

  // Height of the rows' scroll area in pixels: what the window grows by.
  int BoardHeight() const;
  // The status line, whose clock a test may set.
  ConnectionIndicator& Indicator() { return *indicator_; }

  static constexpr const char* kTitle = "VYR Return";
  static constexpr int kPollRedrawMs = 1000;

 signals:
  // Every window is closed and the tray icon is gone: time to quit.
  void Unloaded();

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void RowsRebuilt(int16_t count) override;
  void RowChanged(int16_t row, const StatusRow& content) override;
  void PollChanged(const std::string& caption) override;
  void DrawPoll();
  void Connected() override { SetStale(false); }
  void Disconnected(const std::string&) override { SetStale(true); }
  void ConnectFailed(const std::string&) override { SetStale(true); }

  void Form_Resize();
  bool Form_QueryUnload();
  void Form_Unload();
  void Form_Terminate();
  // Labels for every row, each showing its row, and the board's height.
  void ShowRows();
  void ShowRow(int row, const StatusRow& r);
  void SizeBoard();
  void Relayout();
  // While the link is down every row is greyed: what it shows may be old.
  void SetStale(bool stale);

  PanelHost& host_;
  Dialogs& dialogs_;
  TrayIcon& tray_;
  QLabel* lblPoll_;
  std::string pollCaption_;
  QElapsedTimer pollDrawn_;  // since the counter was last drawn
  QTimer* pollRedraw_;       // draws the latest count once a second has passed
  QScrollArea* scroll_;
  QWidget* board_;                                 // the rows, inside scroll_
  QLabel* hint_;                                   // in place of the rows while none is watched
  std::vector<std::pair<QLabel*, QLabel*>> rows_;  // lblOut, lblSource
  ConnectionIndicator* indicator_;
  std::unique_ptr<TrayStatus> trayStatus_;
  bool stale_ = true;
  ActivityList* activity_;  // under the rows; View > Activity shows or hides it
  QMenu* mnuSysTray_;
  frmAbout* about_ = nullptr;
  bool unloading_ = false;
};

// The program's icon (window, tray, desktop entry).
QIcon AppIcon();

}  // namespace vyr
