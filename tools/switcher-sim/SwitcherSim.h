#pragma once
// A stand-in Server Module on TCP: one panel at a time connects, is polled,
// gets its polls answered, gets the name tables and the crosspoint map on an
// info request, and has its crosspoint changes applied to the model and the
// changed output reported back. Fault controls let tests and people stop
// answering polls, stop reading, or drop the connection.
//
// A second client replaces the first: the old connection is aborted, so a
// panel that reconnects after a silent drop is never locked out.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <vector>

#include "SimMessages.h"
#include "SwitcherModel.h"

class QTcpServer;
class QTcpSocket;

namespace sim {

// One crosspoint change received from the panel, numbers 0-based as on the wire.
struct Change {
  int output = 0;
  int source = 0;
  int mode = 0;
  QByteArray bytes;      // the whole 9-byte message
  bool applied = false;  // the model took it (see SwitcherModel::Apply)
};

class SwitcherSim : public QObject {
  Q_OBJECT

 public:
  struct Options {
    QString host = QStringLiteral("127.0.0.1");
    quint16 port = 1250;  // 0: any free port, see Port()
    int inputs = 256;
    int outputs = 256;
    int nameWidth = 8;
    int pollIntervalMs = 1000;  // 0: never poll the panel
    bool answerPolls = true;
    bool allOff = false;          // start with every output Off instead of output i on input i
    bool mapBeforeNames = false;  // answer an info request with the map first
  };

  explicit SwitcherSim(const Options& options, QObject* parent = nullptr);
  ~SwitcherSim() override;

  bool Listen();
  QString ListenError() const;
  quint16 Port() const;
  bool HasClient() const;

  SwitcherModel& Model() { return model_; }
  const SwitcherModel& Model() const { return model_; }

  // Model edits, 0-based; each reports the output as a one-output map when a
  // client is connected. False when a number is out of range.
  bool Route(int output, int input);
  bool TakeOff(int output);
  bool Sum(int output, int inputA, int inputB);
  bool Tag(int output, int otherOutput);
  bool SetStatus(int output, int status);

  // Sends; false when no client is connected (or the output is out of range).
  bool SendFullMap();
  bool SendOneOutputMap(int output);
  bool SendNameTables();  // output names, then input names
  bool SendTypeRequest();
  bool SendSwitcherType(int type);
  bool SendPoll();
  bool SendRaw(const QByteArray& bytes);

  // What becomes of the panel's routing changes (returns, tones): applied
  // and reported back; ignored (lost: nothing changes, nothing is reported);
  // or refused (nothing changes, the output is reported as it stands).
  // Relay and opto commands are always taken.
  enum class Routing { Apply, Ignore, Refuse };
  void SetRouting(Routing routing) { routing_ = routing; }
  Routing RoutingPolicy() const { return routing_; }

  // Fault controls.
  void SetAnswerPolls(bool on) { answerPolls_ = on; }
  bool AnswersPolls() const { return answerPolls_; }
  // Off: incoming bytes stay unread and the socket buffers almost nothing, so
  // the kernel buffers fill and the panel's writes pile up. On: reads them all.
  void SetReading(bool on);
  bool Reading() const { return reading_; }
  void DropClient();  // abort the connection

  const std::vector<Change>& Changes() const { return changes_; }
  QByteArray Received() const { return received_; }  // every byte read this run
  void ClearReceived() { received_.clear(); }
  int RelayState(int relay) const { return model_.RelayState(relay); }
  int OptoState(int opto) const { return model_.OptoState(opto); }
  int PollsSeen() const { return pollsSeen_; }              // the panel's 0xF5
  int PollAnswersSeen() const { return pollAnswersSeen_; }  // the panel's 0xF4
  int InfoRequestsSeen() const { return infoRequestsSeen_; }
  int TypeAnswersSeen() const { return typeAnswersSeen_; }
  int BadFrames() const { return reader_.BadFrames(); }

 signals:
  void clientConnected(const QString& peer);
  void clientDisconnected();
  void changeReceived(const sim::Change& change);
  void infoRequestReceived(long flags1, long flags2);
  void typeAnswerReceived();
  void messageIgnored(const QByteArray& bytes);  // well-formed, but not one the panel should send
  void badFrame(int total);

 private:
  void OnNewConnection();
  void OnDisconnected();
  void ReadAvailable();
  void Handle(const std::string& message);
  void HandleChange(const std::string& message);
  bool Send(const std::string& bytes);
  bool Report(int output);  // one-output map when a client is connected

  Options options_;
  SwitcherModel model_;
  QTcpServer* server_;
  QPointer<QTcpSocket> client_;
  QTimer pollTimer_;
  MessageReader reader_;
  bool answerPolls_;
  bool reading_ = true;
  Routing routing_ = Routing::Apply;
  std::vector<Change> changes_;
  QByteArray received_;
  int pollsSeen_ = 0;
  int pollAnswersSeen_ = 0;
  int infoRequestsSeen_ = 0;
  int typeAnswersSeen_ = 0;
};

}  // namespace sim
