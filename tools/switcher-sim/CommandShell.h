#pragma once
// The simulator's command language for people and scripts: one command a
// line, channel numbers 1-based as people see them. Also prints one line per
// noteworthy event of the simulator.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <ostream>

namespace sim {

class SwitcherSim;
struct Change;

class CommandShell : public QObject {
  Q_OBJECT

 public:
  // Event lines go to `out` unless quiet; command answers always do.
  CommandShell(SwitcherSim& sim, std::ostream& out, bool quiet, QObject* parent = nullptr);

  // Runs one line. Returns the milliseconds that the line's feed must wait
  // before its next line (`sleep`), else 0. Blank lines and lines starting
  // with '#' do nothing.
  int Execute(const QString& line);

  static QString HelpText();

 signals:
  void quitRequested();

 private:
  void Print(const QString& line);
  void Event(const QString& line);
  void Show(const QStringList& args);
  void ShowRelays();
  void ShowChanges();
  QString DescribeChange(const Change& change) const;
  QString DescribeOutput(int output) const;

  SwitcherSim& sim_;
  std::ostream& out_;
  bool quiet_;
};

// Hands lines to a shell in arrival order, keeping to the waits that `sleep`
// lines ask for. Standard input and a script each get their own feed.
class CommandFeed : public QObject {
  Q_OBJECT

 public:
  explicit CommandFeed(CommandShell& shell, QObject* parent = nullptr);
  void Push(const QString& line);
  bool Idle() const { return pending_.isEmpty() && !wait_.isActive(); }

 private:
  void RunPending();

  CommandShell& shell_;
  QStringList pending_;
  QTimer wait_;
};

}  // namespace sim
