#include "app/Windowed.h"

#include <QApplication>

#include "runtime/PanelHost.h"
#include "ui/Dialogs.h"
#include "ui/TrayIcon.h"
#include "ui/frmMain.h"

namespace vyr {

int RunWindowed(const std::string& folder) {
  QApplication::setQuitOnLastWindowClosed(false);  // the window may sit in the tray
  QApplication::setWindowIcon(AppIcon());
  PanelHost host;
  QtDialogs dialogs;
  QtTrayIcon tray;
  frmMain window(host, dialogs, tray);
  QObject::connect(&window, &frmMain::Unloaded, qApp, &QCoreApplication::quit,
                   Qt::QueuedConnection);
  window.Form_Load(folder);
  window.show();
  return QApplication::exec();
}

}  // namespace vyr
