#include "app/ServiceNotify.h"

#include <systemd/sd-daemon.h>

#include <QObject>
#include <algorithm>
#include <cstdint>

namespace vyr {

ServiceNotify::ServiceNotify() {
  QObject::connect(&watchdog_, &QTimer::timeout, [] { sd_notify(0, "WATCHDOG=1"); });
}

void ServiceNotify::Ready() {
  sd_notify(0, "READY=1");
  uint64_t usec = 0;
  if (sd_watchdog_enabled(0, &usec) > 0 && usec > 0) {
    watchdog_.start(static_cast<int>(std::clamp<uint64_t>(usec / 2000, 1, 3600000)));
  }
}

void ServiceNotify::Stopping() {
  watchdog_.stop();
  sd_notify(0, "STOPPING=1");
}

}  // namespace vyr
