// VYRSourceReturn: keeps watched switcher outputs from going to dead air.

#include <QCoreApplication>
#include <cstring>
#include <iostream>
#include <string>

#include "config/CheckConfig.h"

namespace {

void PrintUsage(std::ostream& out) {
  out << "Usage:\n"
         "  VYRSourceReturn --check-config [FILE]\n"
         "      Read vyrntpnl.ini (from the program folder, or FILE) as start-up does,\n"
         "      print the settings it holds; exit 0 when usable, 1 otherwise.\n";
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  const std::string programFolder = QCoreApplication::applicationDirPath().toStdString();

  if (argc >= 2 && std::strcmp(argv[1], "--check-config") == 0 && argc <= 3) {
    return vyr::CheckConfig(argc == 3 ? argv[2] : "", programFolder, std::cout);
  }
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    PrintUsage(std::cout);
    return 0;
  }
  PrintUsage(std::cerr);
  return 2;
}
