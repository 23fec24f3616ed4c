// VYRSourceReturn: keeps watched switcher outputs from going to dead air.

#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "app/Headless.h"
#include "app/ProgramFolder.h"
#include "app/Windowed.h"
#include "config/CheckConfig.h"

namespace {

void PrintUsage(std::ostream& out) {
  out << "Usage:\n"
         "  VYRSourceReturn [--folder DIR]\n"
         "      The panel's window. Without a display it runs headless instead.\n"
         "  VYRSourceReturn --headless [--folder DIR]\n"
         "      Run without windows: connect to the Server Module named in vyrntpnl.ini\n"
         "      and return watched outputs that go Off; one line per event on standard\n"
         "      output. Stops on SIGINT or SIGTERM.\n"
         "  VYRSourceReturn --check-config [FILE] [--folder DIR]\n"
         "      Read vyrntpnl.ini (from the program folder, or FILE) as start-up does,\n"
         "      print the settings it holds; exit 0 when usable, 1 otherwise.\n"
         "\n"
         "  --folder DIR   read vyrntpnl.ini and write Errorlog.txt in DIR. Without it:\n"
         "                 the program's own folder, or ~/.config/VYRSourceReturn when\n"
         "                 that folder is not writable.\n";
}

// A command line that cannot be run: says why, shows the usage, exit code 2.
int Refuse(const std::string& why) {
  std::cerr << why << "\n";
  PrintUsage(std::cerr);
  return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    PrintUsage(std::cout);
    return 0;
  }
  bool headless = false, check = false;
  std::optional<std::string> folder, file;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--folder") {
      if (i + 1 == argc) return Refuse("--folder needs a directory");
      folder = argv[++i];
    } else if ((arg == "--headless" && check) || (arg == "--check-config" && headless)) {
      return Refuse("--check-config and --headless cannot be combined");
    } else if (arg == "--headless") {
      headless = true;
    } else if (arg == "--check-config" && !check) {
      check = true;
      // The file is optional; a following option is not taken for it.
      if (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) file = argv[++i];
    } else {
      return Refuse("unknown option: " + arg);
    }
  }
  if (check) {
    QCoreApplication app(argc, argv);
    return vyr::CheckConfig(file.value_or(""), folder.value_or(vyr::DefaultProgramFolder()),
                            std::cout);
  }
  if (!headless && !vyr::HasDisplay()) {
    std::cerr << "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): running headless.\n";
    headless = true;
  }
  if (headless) {
    QCoreApplication app(argc, argv);
    return vyr::RunHeadless(folder.value_or(vyr::DefaultProgramFolder()), STDOUT_FILENO);
  }
  QApplication app(argc, argv);
  return vyr::RunWindowed(folder.value_or(vyr::DefaultProgramFolder()));
}
