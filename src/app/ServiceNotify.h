#pragma once
// Tells a service manager (systemd, Type=notify) how the headless program
// is doing: ready once the configuration is read, then alive at half the
// watchdog interval from the event loop, so that a hung loop is noticed and
// the service restarted. Without NOTIFY_SOCKET in the environment it does
// nothing.

#include <QTimer>

namespace vyr {

class ServiceNotify {
 public:
  ServiceNotify();
  // The configuration is read and the panel runs.
  void Ready();
  void Stopping();

 private:
  QTimer watchdog_;
};

}  // namespace vyr
