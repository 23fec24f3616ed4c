// Takes the pictures of the windows shown in docs/, against a simulated
// switcher: the main window with its Activity list after a return, a return
// that never took (the alarm), the window while the link is down, the setup
// dialog with its Consoles tab, and the list editor. Run it under an X server
// (scripts/screenshots.sh uses Xvfb).
//
//   vyr-screenshots OUTPUT_DIR [SUFFIX]

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <functional>
#include <memory>

#include "SwitcherSim.h"
#include "runtime/PanelHost.h"
#include "ui/Dialogs.h"
#include "ui/TrayIcon.h"
#include "ui/frmDisplayListView.h"
#include "ui/frmMain.h"
#include "ui/frmSetup.h"

namespace {

bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

void Settle(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool Save(QWidget& w, const QString& dir, const QString& name, const QString& suffix) {
  const QString path = dir + "/" + name + suffix + ".png";
  const bool ok = w.grab().save(path);
  std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
  return ok;
}

// A small facility: five watched outputs, input 7 an exception, a short
// wait before a return and a confirmation within a second.
QByteArray Configuration(quint16 port) {
  return QStringLiteral(
             "[SETUP]\r\nIP Address=127.0.0.1\r\nIP Port=%1\r\n[CONFIG]\r\nRefresh Rate=100\r\n"
             "Time Out=20\r\nWait Time=500\r\nConfirm Time=1000\r\nWatch Count=5\r\n"
             "Output 01=1\r\nInput 01=16384\r\nOpto 01=16383\r\n"
             "Output 02=2\r\nInput 02=16384\r\nOpto 02=16383\r\n"
             "Output 03=3\r\nInput 03=16384\r\nOpto 03=16383\r\n"
             "Output 04=4\r\nInput 04=16384\r\nOpto 04=16383\r\n"
             "Output 05=5\r\nInput 05=16384\r\nOpto 05=16383\r\n"
             "Return Source=16383\r\nReturn to Last Source=No\r\nException Count=1\r\n"
             "Exceptions=0000001\r\nConsole Count=1\r\nAirChain Count=0\r\n"
             "[CONSOLE01]\r\nProgram=9\r\nFirst MM Bus=11\r\nLast MM Bus=14\r\n"
             "MM in use Relay=1\r\n")
      .arg(port)
      .toLatin1();
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: vyr-screenshots OUTPUT_DIR [SUFFIX]\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  const QString suffix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
  QDir().mkpath(out);

  // Port 1250 as a facility would have it; any free port when it is taken.
  std::unique_ptr<sim::SwitcherSim> sim;
  for (quint16 port : {quint16(1250), quint16(0)}) {
    sim::SwitcherSim::Options options;
    options.port = port;
    options.inputs = 16;
    options.outputs = 16;
    options.pollIntervalMs = 0;
    sim = std::make_unique<sim::SwitcherSim>(options);
    if (sim->Listen()) break;
    std::fprintf(stderr, "simulator on port %u: %s\n", port, qPrintable(sim->ListenError()));
    if (port == 0) return 1;
  }
  const char* inputs[] = {"MIC 1", "MIC 2", "CD 1", "CD 2", "NEWS", "TRAFFIC", "PROMO", "SAT"};
  const char* outputs[] = {"STUDIO A", "STUDIO B", "TX MAIN", "WEBCAST", "TALKBACK"};
  for (int i = 0; i < 8; ++i) sim->Model().SetInputName(i, inputs[i]);
  for (int i = 0; i < 5; ++i) sim->Model().SetOutputName(i, outputs[i]);
  sim->Model().Route(0, 0);
  sim->Model().Route(1, 4);
  sim->Model().Route(2, 2);
  sim->Model().Route(3, 6);  // an exception: shown black
  sim->Model().Tag(4, 2);    // carries another output: shown black

  QTemporaryDir folder;
  QFile ini(folder.filePath("vyrntpnl.ini"));
  if (!ini.open(QIODevice::WriteOnly) || ini.write(Configuration(sim->Port())) < 0) return 1;
  ini.close();

  vyr::PanelHost host;
  vyr::QtDialogs dialogs;
  vyr::QtTrayIcon tray;
  vyr::frmMain window(host, dialogs, tray);
  window.Form_Load(folder.path().toStdString());
  window.show();
  if (!WaitFor([&] {
        return host.state().lInfoRequest == 0 && host.state().bConnected &&
               host.rows().Row(4).sSource != " ";
      })) {
    std::fprintf(stderr, "the panel did not get the switcher's tables\n");
  }
  auto* activity = window.findChild<QListWidget*>("lstActivity");
  const auto activityHas = [&](const QString& text) {
    return activity != nullptr && !activity->findItems(text, Qt::MatchContains).isEmpty();
  };
  // A return: Off, its wait, the crosspoint change, the confirmation.
  sim->TakeOff(1);
  bool ok = WaitFor([&] { return activityHas("return confirmed"); });
  if (!ok) std::fprintf(stderr, "the return of STUDIO B was not confirmed\n");
  Settle(300);
  ok = Save(window, out, "main-window", suffix) && ok;

  // A return the switcher never takes: sent three times, then the alarm.
  sim->SetRouting(sim::SwitcherSim::Routing::Ignore);
  sim->TakeOff(2);
  if (!WaitFor([&] { return activityHas("alarm raised"); }, 8000)) {
    std::fprintf(stderr, "TX MAIN was not raised as an alarm\n");
    ok = false;
  }
  Settle(300);
  ok = Save(window, out, "alarm", suffix) && ok;
  sim->SetRouting(sim::SwitcherSim::Routing::Apply);
  sim->Route(2, 2);

  vyr::frmSetup setup(host.panel(), dialogs, &window);
  setup.show();
  Settle(300);
  ok = Save(setup, out, "setup-dialog", suffix) && ok;
  if (auto* tabs = setup.findChild<QTabWidget*>("tabSetup")) tabs->setCurrentIndex(1);
  Settle(300);
  ok = Save(setup, out, "setup-consoles", suffix) && ok;
  setup.hide();

  host.state().iListType = 20;
  vyr::frmDisplayListView editor(host.state(), host.log(), &window);
  editor.show();
  Settle(300);
  ok = Save(editor, out, "list-editor", suffix) && ok;
  editor.hide();

  // The switcher goes away: the rows go stale and the panel keeps trying.
  sim.reset();
  if (!WaitFor([&] { return !host.state().bConnected; })) {
    std::fprintf(stderr, "the link did not drop\n");
    ok = false;
  }
  Settle(1500);
  ok = Save(window, out, "stale-window", suffix) && ok;
  return ok ? 0 : 1;
}
