#include "CommandShell.h"

#include <QRegularExpression>

#include "SwitcherSim.h"

namespace sim {

namespace {

// A 1-based number from the command line, 0-based for the simulator; -1 when
// it is not a whole number of at least 1.
int Channel(const QString& text) {
  bool ok = false;
  const int n = text.toInt(&ok);
  return ok && n >= 1 ? n - 1 : -1;
}

// 0-based wire number as people read it: 1-based, or "none".
QString Shown(int wire) {
  return wire == kMaxWord ? QStringLiteral("none") : QString::number(wire + 1);
}

QString HexOf(const QByteArray& bytes) {
  return QString::fromStdString(
      Hex(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))));
}

QString ModeText(int mode) {
  return "0x" + QString::number(mode, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

}  // namespace

CommandShell::CommandShell(SwitcherSim& sim, std::ostream& out, bool quiet, QObject* parent)
    : QObject(parent), sim_(sim), out_(out), quiet_(quiet) {
  connect(&sim_, &SwitcherSim::clientConnected, this,
          [this](const QString& peer) { Event("client connected from " + peer); });
  connect(&sim_, &SwitcherSim::clientDisconnected, this, [this] { Event("client disconnected"); });
  connect(&sim_, &SwitcherSim::changeReceived, this,
          [this](const Change& change) { Event("change: " + DescribeChange(change)); });
  connect(&sim_, &SwitcherSim::infoRequestReceived, this, [this](long flags1, long flags2) {
    QStringList sent;
    if (flags1 & kWantOutputNames) sent << "output names";
    if (flags1 & kWantInputNames) sent << "input names";
    if (flags1 & kWantMap) sent << "crosspoint map";
    Event(QStringLiteral("info request 0x%1 0x%2: sent %3")
              .arg(flags1, 0, 16)
              .arg(flags2, 0, 16)
              .arg(sent.isEmpty() ? QStringLiteral("nothing") : sent.join(", ")));
  });
  connect(&sim_, &SwitcherSim::typeAnswerReceived, this,
          [this] { Event("type request answered"); });
  connect(&sim_, &SwitcherSim::messageIgnored, this,
          [this](const QByteArray& bytes) { Event("ignored message: " + HexOf(bytes)); });
  connect(&sim_, &SwitcherSim::badFrame, this,
          [this](int total) { Event(QStringLiteral("bad frame dropped (%1 so far)").arg(total)); });
}

QString CommandShell::HelpText() {
  return QStringLiteral(
      "Commands (channel numbers 1-based):\n"
      "  route OUT SRC         output OUT takes input SRC alone\n"
      "  off OUT               output OUT carries nothing\n"
      "  sum OUT SRC1 SRC2     output OUT carries both inputs\n"
      "  tag OUT OTHEROUT      output OUT gets a tagged entry for output OTHEROUT\n"
      "  status OUT N          output OUT's status byte becomes N (0..127)\n"
      "  map [OUT]             send the map of one output, or of all\n"
      "  names                 send the output and input name tables\n"
      "  type-request          send a type request\n"
      "  switcher-type N       send switcher type N\n"
      "  poll                  send one poll now\n"
      "  raw HEX...            send bytes as written, e.g. raw F6 00 01 00\n"
      "  polls on|off          answer the panel's polls, or not\n"
      "  reading on|off        read from the panel, or let its bytes pile up\n"
      "  returns apply|ignore|refuse\n"
      "                        carry out the panel's routing changes, lose them, or\n"
      "                        refuse them and report the output as it stands\n"
      "  drop                  abort the connection\n"
      "  show [OUT...]         print the routing of some or all outputs\n"
      "  relays                print relay and opto states\n"
      "  changes               print every crosspoint change received\n"
      "  sleep MS              wait before the next command of this input\n"
      "  quit                  end the program\n"
      "Edits are reported to a connected panel as a one-output map.");
}

void CommandShell::Print(const QString& line) { out_ << line.toStdString() << std::endl; }

void CommandShell::Event(const QString& line) {
  if (!quiet_) Print(line);
}

int CommandShell::Execute(const QString& line) {
  const QString trimmed = line.trimmed();
  if (trimmed.isEmpty() || trimmed.startsWith('#')) return 0;
  QStringList args = trimmed.split(QRegularExpression("\\s+"));
  const QString command = args.takeFirst().toLower();
  const auto argCount = args.size();
  const auto usage = [this](const char* text) { Print(QStringLiteral("usage: ") + text); };
  const auto done = [this](bool ok, const char* what) {
    if (!ok) Print(QStringLiteral("refused: %1").arg(what));
  };
  const auto notSent = [this](bool sent) {
    if (!sent) Print("not sent: no client connected");
  };
  const auto onOff = [&](bool* on) {
    if (argCount != 1 || (args[0] != "on" && args[0] != "off")) return false;
    *on = args[0] == "on";
    return true;
  };

  if (command == "help") {
    Print(HelpText());
  } else if (command == "route") {
    if (argCount != 2)
      usage("route OUT SRC");
    else
      done(sim_.Route(Channel(args[0]), Channel(args[1])), "no such output or input");
  } else if (command == "off") {
    if (argCount != 1)
      usage("off OUT");
    else
      done(sim_.TakeOff(Channel(args[0])), "no such output");
  } else if (command == "sum") {
    if (argCount != 3)
      usage("sum OUT SRC1 SRC2");
    else
      done(sim_.Sum(Channel(args[0]), Channel(args[1]), Channel(args[2])),
           "no such output or input");
  } else if (command == "tag") {
    if (argCount != 2)
      usage("tag OUT OTHEROUT");
    else
      done(sim_.Tag(Channel(args[0]), Channel(args[1])), "no such output, or no room on it");
  } else if (command == "status") {
    bool ok = false;
    const int status = argCount == 2 ? args[1].toInt(&ok, 0) : -1;
    if (argCount != 2 || !ok)
      usage("status OUT N");
    else
      done(sim_.SetStatus(Channel(args[0]), status), "no such output, or N outside 0..127");
  } else if (command == "map") {
    if (argCount > 1) {
      usage("map [OUT]");
    } else if (argCount == 1) {
      const int output = Channel(args[0]);
      if (output < 0 || output >= sim_.Model().Outputs())
        Print("refused: no such output");
      else
        notSent(sim_.SendOneOutputMap(output));
    } else {
      notSent(sim_.SendFullMap());
    }
  } else if (command == "names") {
    notSent(sim_.SendNameTables());
  } else if (command == "type-request") {
    notSent(sim_.SendTypeRequest());
  } else if (command == "switcher-type") {
    bool ok = false;
    const int type = argCount == 1 ? args[0].toInt(&ok, 0) : -1;
    if (!ok || type < 0 || type > kMaxWord)
      usage("switcher-type N (0..16383)");
    else
      notSent(sim_.SendSwitcherType(type));
  } else if (command == "poll") {
    notSent(sim_.SendPoll());
  } else if (command == "raw") {
    const QByteArray bytes = QByteArray::fromHex(args.join("").toLatin1());
    const bool isHex =
        argCount > 0 && QRegularExpression("^([0-9A-Fa-f]{2})+$").match(args.join("")).hasMatch();
    if (!isHex)
      usage("raw HEX... (pairs of hex digits)");
    else
      notSent(sim_.SendRaw(bytes));
  } else if (command == "polls") {
    bool on = false;
    if (!onOff(&on))
      usage("polls on|off");
    else
      sim_.SetAnswerPolls(on);
  } else if (command == "reading") {
    bool on = false;
    if (!onOff(&on))
      usage("reading on|off");
    else
      sim_.SetReading(on);
  } else if (command == "returns") {
    const QString how = argCount == 1 ? args[0] : QString();
    if (how == "apply")
      sim_.SetRouting(SwitcherSim::Routing::Apply);
    else if (how == "ignore")
      sim_.SetRouting(SwitcherSim::Routing::Ignore);
    else if (how == "refuse")
      sim_.SetRouting(SwitcherSim::Routing::Refuse);
    else
      usage("returns apply|ignore|refuse");
  } else if (command == "drop") {
    if (!sim_.HasClient()) Print("no client connected");
    sim_.DropClient();
  } else if (command == "show") {
    Show(args);
  } else if (command == "relays") {
    ShowRelays();
  } else if (command == "changes") {
    ShowChanges();
  } else if (command == "sleep") {
    bool ok = false;
    const int ms = argCount == 1 ? args[0].toInt(&ok) : -1;
    if (!ok || ms < 0)
      usage("sleep MS");
    else
      return ms;
  } else if (command == "quit" || command == "exit") {
    emit quitRequested();
  } else {
    Print("unknown command '" + command + "'; try help");
  }
  return 0;
}

QString CommandShell::DescribeOutput(int output) const {
  const SwitcherModel& model = sim_.Model();
  const OutputRouting& routing = model.Output(output);
  QStringList parts;
  for (const Entry& e : routing.entries) {
    if (e.tagged) {
      parts << QStringLiteral("tag %1 %2")
                   .arg(e.source + 1)
                   .arg(QString::fromStdString(model.OutputName(e.source)));
    } else {
      parts << QStringLiteral("%1 %2")
                   .arg(e.source + 1)
                   .arg(QString::fromStdString(model.InputName(e.source)));
    }
  }
  QString text = QStringLiteral("%1 %2 : %3")
                     .arg(output + 1)
                     .arg(QString::fromStdString(model.OutputName(output)))
                     .arg(parts.isEmpty() ? QStringLiteral("Off") : parts.join(" + "));
  if (routing.status != 0) text += QStringLiteral("  [status %1]").arg(ModeText(routing.status));
  return text;
}

void CommandShell::Show(const QStringList& args) {
  const int outputs = sim_.Model().Outputs();
  if (args.isEmpty()) {
    for (int o = 0; o < outputs; ++o) Print(DescribeOutput(o));
    return;
  }
  for (const QString& arg : args) {
    const int output = Channel(arg);
    if (output < 0 || output >= outputs)
      Print("no output " + arg);
    else
      Print(DescribeOutput(output));
  }
}

void CommandShell::ShowRelays() {
  const SwitcherModel& model = sim_.Model();
  if (model.Relays().empty() && model.Optos().empty()) {
    Print("no relay or opto commands received");
    return;
  }
  for (const auto& [relay, mode] : model.Relays()) {
    Print(QStringLiteral("relay %1: %2")
              .arg(Shown(relay), mode == kModeRelayInUse ? "in use" : "off"));
  }
  for (const auto& [opto, mode] : model.Optos()) {
    Print(QStringLiteral("opto %1: %2").arg(Shown(opto), mode == kModeOptoOn ? "on" : "off"));
  }
}

void CommandShell::ShowChanges() {
  const std::vector<Change>& changes = sim_.Changes();
  if (changes.empty()) Print("no changes received");
  for (size_t i = 0; i < changes.size(); ++i) {
    Print(QStringLiteral("%1. %2").arg(i + 1).arg(DescribeChange(changes[i])));
  }
}

QString CommandShell::DescribeChange(const Change& change) const {
  const QString out = Shown(change.output);
  const QString src = Shown(change.source);
  QString text;
  switch (KindOfMode(change.mode)) {
    case ChangeKind::Take:
      text = QStringLiteral("output %1 takes input %2 alone").arg(out, src);
      break;
    case ChangeKind::Add:
      text = QStringLiteral("input %1 added to output %2").arg(src, out);
      break;
    case ChangeKind::Remove:
      text = QStringLiteral("input %1 removed from output %2").arg(src, out);
      break;
    case ChangeKind::Relay:
      text =
          QStringLiteral("relay %1 %2").arg(out, change.mode == kModeRelayInUse ? "in use" : "off");
      break;
    case ChangeKind::Opto:
      text = QStringLiteral("opto %1 %2").arg(src, change.mode == kModeOptoOn ? "on" : "off");
      break;
    case ChangeKind::Unknown:
      text = QStringLiteral("unknown mode, output %1 input %2").arg(out, src);
      break;
  }
  text += QStringLiteral(" (mode %1)").arg(ModeText(change.mode));
  if (!change.applied) text += QStringLiteral(" refused");
  return text + "  [" + HexOf(change.bytes) + "]";
}

CommandFeed::CommandFeed(CommandShell& shell, QObject* parent) : QObject(parent), shell_(shell) {
  wait_.setSingleShot(true);
  connect(&wait_, &QTimer::timeout, this, &CommandFeed::RunPending);
}

void CommandFeed::Push(const QString& line) {
  pending_.append(line);
  if (!wait_.isActive()) RunPending();
}

void CommandFeed::RunPending() {
  while (!pending_.isEmpty()) {
    const int waitMs = shell_.Execute(pending_.takeFirst());
    if (waitMs > 0) {
      wait_.start(waitMs);
      return;
    }
  }
}

}  // namespace sim
