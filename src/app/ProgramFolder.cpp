#include "app/ProgramFolder.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace vyr {

std::string DefaultProgramFolder() {
  const QString own = QCoreApplication::applicationDirPath();
  if (access(QFile::encodeName(own).constData(), W_OK) == 0) return own.toStdString();
  const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         QStringLiteral("/VYRSourceReturn");
  QDir().mkpath(config);
  return config.toStdString();
}

bool HasDisplay() {
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    if (!qEnvironmentVariableIsEmpty(name)) return true;
  }
  return false;
}

}  // namespace vyr
