#include "SwitcherSim.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace sim {

namespace {

// While reading is off the socket keeps at most this many unread bytes.
constexpr qint64 kPausedReadBuffer = 1;

}  // namespace

SwitcherSim::SwitcherSim(const Options& options, QObject* parent)
    : QObject(parent),
      options_(options),
      model_(options.inputs, options.outputs, options.nameWidth, options.allOff),
      server_(new QTcpServer(this)),
      answerPolls_(options.answerPolls) {
  connect(server_, &QTcpServer::newConnection, this, &SwitcherSim::OnNewConnection);
  connect(&pollTimer_, &QTimer::timeout, this, &SwitcherSim::SendPoll);
}

SwitcherSim::~SwitcherSim() {
  if (client_) {
    client_->disconnect(this);
    client_->abort();
  }
}

bool SwitcherSim::Listen() { return server_->listen(QHostAddress(options_.host), options_.port); }

QString SwitcherSim::ListenError() const { return server_->errorString(); }

quint16 SwitcherSim::Port() const { return server_->serverPort(); }

bool SwitcherSim::HasClient() const {
  return client_ && client_->state() == QAbstractSocket::ConnectedState;
}

void SwitcherSim::OnNewConnection() {
  while (QTcpSocket* socket = server_->nextPendingConnection()) {
    if (client_) client_->abort();  // the newcomer replaces it
    client_ = socket;
    reader_ = MessageReader();
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (!reading_) socket->setReadBufferSize(kPausedReadBuffer);
    connect(socket, &QTcpSocket::readyRead, this, &SwitcherSim::ReadAvailable);
    connect(socket, &QTcpSocket::disconnected, this, &SwitcherSim::OnDisconnected);
    emit clientConnected(socket->peerAddress().toString() + ':' +
                         QString::number(socket->peerPort()));
    if (options_.pollIntervalMs > 0) pollTimer_.start(options_.pollIntervalMs);
  }
}

void SwitcherSim::OnDisconnected() {
  auto* socket = qobject_cast<QTcpSocket*>(sender());
  if (socket == nullptr) return;
  socket->disconnect(this);
  socket->deleteLater();
  if (socket == client_) {
    client_ = nullptr;
    pollTimer_.stop();
  }
  emit clientDisconnected();
}

void SwitcherSim::SetReading(bool on) {
  reading_ = on;
  if (!client_) return;
  client_->setReadBufferSize(on ? 0 : kPausedReadBuffer);
  if (on) ReadAvailable();
}

void SwitcherSim::DropClient() {
  if (client_) client_->abort();
}

void SwitcherSim::ReadAvailable() {
  if (!reading_ || !client_) return;
  const QByteArray data = client_->readAll();
  received_ += data;
  reader_.Append(std::string_view(data.constData(), static_cast<size_t>(data.size())));
  const int badBefore = reader_.BadFrames();
  while (std::optional<std::string> message = reader_.Next()) {
    Handle(*message);
    if (!client_) return;  // a slot of one of our signals dropped the client
  }
  if (reader_.BadFrames() != badBefore) emit badFrame(reader_.BadFrames());
}

void SwitcherSim::Handle(const std::string& message) {
  const auto command = static_cast<unsigned char>(message[0]);
  switch (command) {
    case kPoll:
      ++pollsSeen_;
      if (answerPolls_) Send(std::string(1, static_cast<char>(kPollAnswer)));
      return;
    case kPollAnswer:
      ++pollAnswersSeen_;
      return;
    case kTypeRequest:
      if (message == "\x81\x02\x01\x03\xFF") {
        ++typeAnswersSeen_;
        emit typeAnswerReceived();
        return;
      }
      break;
    case kInfoRequest:
      if (std::optional<InfoRequest> request = ParseInfoRequest(message)) {
        ++infoRequestsSeen_;
        emit infoRequestReceived(request->flags1, request->flags2);
        const bool mapFirst = options_.mapBeforeNames;
        if (mapFirst && (request->flags1 & kWantMap)) Send(model_.FullMap());
        if (request->flags1 & kWantOutputNames) Send(model_.NameTable(kOutputNames));
        if (request->flags1 & kWantInputNames) Send(model_.NameTable(kInputNames));
        if (!mapFirst && (request->flags1 & kWantMap)) Send(model_.FullMap());
        return;
      }
      break;
    case kCrosspointChange:
      if (ParseChange(message)) {
        HandleChange(message);
        return;
      }
      break;
    default:
      break;
  }
  emit messageIgnored(QByteArray(message.data(), static_cast<qsizetype>(message.size())));
}

void SwitcherSim::HandleChange(const std::string& message) {
  const ChangeRequest request = *ParseChange(message);
  Change change;
  change.output = request.output;
  change.source = request.source;
  change.mode = request.mode;
  change.bytes = QByteArray(message.data(), static_cast<qsizetype>(message.size()));
  const ChangeKind kind = KindOfMode(request.mode);
  const bool routing =
      kind == ChangeKind::Take || kind == ChangeKind::Add || kind == ChangeKind::Remove;
  change.applied = (!routing || routing_ == Routing::Apply) && model_.Apply(request);
  changes_.push_back(change);
  emit changeReceived(change);
  if (routing && (change.applied || routing_ == Routing::Refuse)) Report(request.output);
}

bool SwitcherSim::Send(const std::string& bytes) {
  if (!HasClient()) return false;
  return client_->write(bytes.data(), static_cast<qint64>(bytes.size())) ==
         static_cast<qint64>(bytes.size());
}

bool SwitcherSim::Report(int output) { return HasClient() && SendOneOutputMap(output); }

bool SwitcherSim::Route(int output, int input) {
  if (!model_.Route(output, input)) return false;
  Report(output);
  return true;
}

bool SwitcherSim::TakeOff(int output) {
  if (!model_.TakeOff(output)) return false;
  Report(output);
  return true;
}

bool SwitcherSim::Sum(int output, int inputA, int inputB) {
  if (!model_.Sum(output, inputA, inputB)) return false;
  Report(output);
  return true;
}

bool SwitcherSim::Tag(int output, int otherOutput) {
  if (!model_.Tag(output, otherOutput)) return false;
  Report(output);
  return true;
}

bool SwitcherSim::SetStatus(int output, int status) {
  if (!model_.SetStatus(output, status)) return false;
  Report(output);
  return true;
}

bool SwitcherSim::SendFullMap() { return Send(model_.FullMap()); }

bool SwitcherSim::SendOneOutputMap(int output) {
  if (output < 0 || output >= model_.Outputs()) return false;
  return Send(model_.OneOutputMap(output));
}

bool SwitcherSim::SendNameTables() {
  return Send(model_.NameTable(kOutputNames)) && Send(model_.NameTable(kInputNames));
}

bool SwitcherSim::SendTypeRequest() { return Send(BuildTypeRequest()); }

bool SwitcherSim::SendSwitcherType(int type) { return Send(BuildSwitcherType(type)); }

bool SwitcherSim::SendPoll() { return Send(std::string(1, static_cast<char>(kPoll))); }

bool SwitcherSim::SendRaw(const QByteArray& bytes) {
  return Send(std::string(bytes.constData(), static_cast<size_t>(bytes.size())));
}

}  // namespace sim
