#pragma once
// A panel on the real event loop with its window, a tray icon that records
// what the window asks of it, and message boxes answered by the test.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "QtTestSupport.h"
#include "ScriptedDialogs.h"
#include "kit/Panel.h"
#include "runtime/PanelHost.h"
#include "support/TempFolder.h"
#include "ui/TrayIcon.h"
#include "ui/frmMain.h"

// Texts in failures as text, not as arrays of characters.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

namespace vyr::test {

inline void PrintTo(const ScriptedDialogs::Box& b, std::ostream* os) {
  *os << '"' << b.title.toStdString() << "\": \"" << b.text.toStdString() << "\" "
      << static_cast<int>(b.buttons) << static_cast<int>(b.icon) << static_cast<int>(b.byDefault);
}
// A box with one Ok button that Enter presses.
inline ScriptedDialogs::Box OkBox(const QString& title, const QString& text, Dialogs::Icon icon) {
  return {text, title, Dialogs::Buttons::Ok, icon, Dialogs::Answer::Ok};
}

// The control `name` inside `parent`; a missing one fails the test.
template <class W = QWidget>
W* Child(const QObject* parent, const char* name) {
  W* w = parent->findChild<W*>(QLatin1String(name));
  if (!w) ADD_FAILURE() << "no control " << name;
  return w;
}
// A person's click on a button, and a person's typing into a cleared box.
inline void ClickOn(const QObject* parent, const char* name) {
  QTest::mouseClick(Child<QAbstractButton>(parent, name), Qt::LeftButton);
}
inline void TypeInto(const QObject* parent, const char* name, const QString& text) {
  QLineEdit* box = Child<QLineEdit>(parent, name);
  box->clear();
  QTest::keyClicks(box, text);
}

class FakeTray final : public TrayIcon {
 public:
  bool available = true;
  int adds = 0;
  int removes = 0;
  QString tip;
  QIcon icon;
  std::vector<QString> notes;  // notifications shown
  bool IsAvailable() const override { return available; }
  void Add(const QIcon& i, const QString& t, QMenu*) override { ++adds, tip = t, icon = i; }
  void Remove() override { ++removes; }
  void SetLook(const QIcon& i, const QString& t) override { tip = t, icon = i; }
  void Notify(const QString&, const QString& text) override { notes.push_back(text); }
};

using sim::test::WaitUntil;

// vyrntpnl.ini watching outputs 1..count (1-based), on 127.0.0.1:port; the
// keys left out (optos, return source, exceptions, consoles, air chains) read
// as none.
inline std::string WatchingIni(int count, int port) {
  std::string ini = "[SETUP]\r\nIP Address=127.0.0.1\r\nIP Port=" + std::to_string(port) +
                    "\r\n[CONFIG]\r\nRefresh Rate=100\r\nTime Out=20\r\nWait Time=0\r\n"
                    "Watch Count=" +
                    std::to_string(count) + "\r\n";
  for (int k = 1; k <= count; ++k) {
    const std::string nn = (k < 10 ? "0" : "") + std::to_string(k);
    ini += "Output " + nn + "=" + std::to_string(k) + "\r\nInput " + nn + "=16384\r\n";
  }
  return ini;
}

// A port nothing listens on: connection attempts are refused at once.
inline constexpr int kClosedPort = 1;

class UiTest : public ::testing::Test {
 protected:
  UiTest() : window(std::make_unique<frmMain>(host, dialogs, tray)) { host.AddListener(events); }

  AppState& st() { return host.state(); }
  QLabel* Label(const QString& name) const { return window->findChild<QLabel*>(name); }
  // The link as the engine reports it.
  void LinkUp(bool up) {
    st().bConnected = up;
    if (up)
      host.panel().events.Connected();
    else
      host.panel().events.Disconnected("test");
  }
  std::string LogText() const { return folder.Read("Errorlog.txt"); }
  void Load(int watched, int port = kClosedPort, bool show = true) {
    folder.Write("vyrntpnl.ini", WatchingIni(watched, port));
    window->Form_Load(folder.path());
    if (show) window->show();
  }
  // Row i as one text, "out | source | colour | tip | look": where its two
  // labels differ in colour, tip or look both are given ("a / b").
  QString RowShown(int i) const {
    const QLabel* out = Label(QStringLiteral("lblOut_%1").arg(i));
    const QLabel* source = Label(QStringLiteral("lblSource_%1").arg(i));
    const auto both = [&](QString (*get)(const QLabel*)) {
      return get(out) == get(source) ? get(out) : get(out) + " / " + get(source);
    };
    return QStringList{
        out->text(), source->text(),
        both([](const QLabel* l) { return l->palette().color(QPalette::WindowText).name(); }),
        both([](const QLabel* l) { return l->toolTip(); }), both([](const QLabel* l) {
          return l->property("look").toString() +
                 (l->autoFillBackground() ? " on " + l->palette().color(QPalette::Window).name()
                                          : "");
        })}
        .join(" | ");
  }

  TempFolder folder;
  kit::RecordingEvents events;
  PanelHost host;
  ScriptedDialogs dialogs;
  FakeTray tray;
  std::unique_ptr<frmMain> window;
};

}  // namespace vyr::test
