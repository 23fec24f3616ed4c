#pragma once
// The main window: one row per watched output under "Destination" and
// "Current Source", the poll counter, the File, View and Help menus, the
// link indicator, the Activity list, and the tray icon that stands in for it while it
// is minimised.

#include <QMainWindow>
#include <string>
#include <vector>

#include "engine/Panel.h"

class QLabel;
class QMenu;

namespace vyr {

class ActivityList;
class ConnectionIndicator;
class Dialogs;
class PanelHost;
class TrayIcon;
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

  // Height of the rows' area in pixels: what the window grows by.
  int BoardHeight() const;

  static constexpr const char* kTitle = "VYR Return";

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

  void Form_Resize();
  bool Form_QueryUnload();
  void Form_Unload();
  void Form_Terminate();
  // Labels for every row, each showing its row, and the board's height.
  void ShowRows();
  void ShowRow(int row, const StatusRow& r);
  void SizeBoard();

  PanelHost& host_;
  Dialogs& dialogs_;
  TrayIcon& tray_;
  QWidget* board_;
  QLabel* lblPoll_;
  std::vector<std::pair<QLabel*, QLabel*>> rows_;  // lblOut, lblSource
  ConnectionIndicator* indicator_;
  ActivityList* activity_;  // under the rows; View > Activity shows or hides it
  int heightTwips_ = 0;     // of the window for the last count of rows; 0: its first size
  QMenu* mnuSysTray_;
  frmAbout* about_ = nullptr;
  bool unloading_ = false;
};

// The program's icon (window, tray, desktop entry).
QIcon AppIcon();

}  // namespace vyr
