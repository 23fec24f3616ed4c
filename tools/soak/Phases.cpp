// The traffic and the phases of a cycle: counted bursts of maps, polls,
// garbage and broken frames; plain drops, silent polls, a Server Module that
// stops reading, garbage, and a stalled reader.

#include <sys/ioctl.h>

#include <QTcpSocket>
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <fstream>

#include "Soak.h"
#include "engine/TCPComm.h"

namespace soak {

void Soak::Send(const std::string& bytes) {
  tally_.bytes += static_cast<int64_t>(bytes.size());
  pollsThisLink_ += std::count(bytes.begin(), bytes.end(), static_cast<char>(kPollByte));
  sim_->SendRaw(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

void Soak::SendPoll() {
  ++tally_.polls;
  Send(std::string(1, static_cast<char>(kPollByte)));
}

// The panel answers every poll in the order it reads them, after whatever
// came before: once the last one is answered, everything sent before it has
// been handled, and every return it caused has reached the simulator.
bool Soak::Sync(int timeoutMs) {
  SendPoll();
  const int64_t target = pollBaseline_ + pollsThisLink_;
  const bool ok =
      WaitFor([&] { return sim_->PollAnswersSeen() >= target || !PanelAlive(); }, timeoutMs) &&
      PanelAlive();
  sim_->ClearReceived();
  if (!ok) {
    ++tally_.syncTimeouts;
    if (notes_.size() < 40) {
      notes_.push_back("polls not all answered within " + std::to_string(timeoutMs) +
                       " ms in cycle " + std::to_string(cycle_) + " (" + PhaseName() +
                       "): " + std::to_string(sim_->PollAnswersSeen() - pollBaseline_) + " of " +
                       std::to_string(pollsThisLink_) + " on this link");
    }
  }
  return ok;
}

void Soak::WatchedEvent(int slot) {
  const int output = watched_[static_cast<size_t>(slot)];
  const int roll = Uniform(rng_, 0, 99);
  if (roll < 40) {
    sim_->TakeOff(output);
  } else if (roll < 72) {
    const int input = Chance(rng_, 0.08) ? exceptionInput_ : Uniform(rng_, 0, channelPool_ - 1);
    sim_->Route(output, input);
  } else if (roll < 82) {
    const int a = Uniform(rng_, 0, channelPool_ - 1);
    const int b = (a + Uniform(rng_, 1, channelPool_ - 1)) % channelPool_;
    sim_->Sum(output, a, b);
  } else if (roll < 88) {
    sim_->Tag(output, Uniform(rng_, 0, channelPool_ - 1));
  } else {
    sim_->SendOneOutputMap(output);
  }
  ++tally_.oneOutputMaps;
  ShadowOneOutput(output);
}

void Soak::UnwatchedEvent() {
  int output = 0;
  do {
    output = Uniform(rng_, 0, channelPool_ - 1);
  } while (slotOf_.count(output) != 0);
  if (Chance(rng_, 0.3)) {
    sim_->TakeOff(output);
  } else {
    sim_->Route(output, Uniform(rng_, 0, channelPool_ - 1));
  }
  ++tally_.oneOutputMaps;
}

// One burst of the counted traffic, closed by a poll.
void Soak::NormalBurst(int count) {
  bool needCommand = false;  // a fragment must be cut by the next command byte
  for (int i = 0; i < count - 1; ++i) {
    int roll = Uniform(rng_, 0, 99);
    while (needCommand && roll >= 55 && roll < 70) roll = Uniform(rng_, 0, 99);
    needCommand = false;
    if (roll < 30) {
      WatchedEvent(Uniform(rng_, 0, static_cast<int>(watched_.size()) - 1));
    } else if (roll < 45) {
      UnwatchedEvent();
    } else if (roll < 52) {
      SendPoll();
    } else if (roll < 54) {
      sim_->SendFullMap();
      ++tally_.fullMaps;
      ShadowFullMap();
    } else if (roll < 55) {
      sim_->SendNameTables();
      tally_.nameTables += 2;
    } else if (roll < 70) {
      const std::string bytes = QuietGarbage(rng_, Uniform(rng_, 1, 48));
      Send(bytes);
      ++tally_.garbage;
    } else if (roll < 82) {
      // Mostly a watched output shown Off: taking the fragment for a whole
      // frame would show up as a return nobody asked for.
      const int pick = Uniform(rng_, 0, 9);
      std::string frame;
      if (pick < 6) {
        frame = OffMap(watched_[static_cast<size_t>(Uniform(rng_, 0, 7))]);
      } else if (pick < 8) {
        frame = sim_->Model().FullMap();
      } else {
        frame = sim_->Model().NameTable(Chance(rng_, 0.5) ? sim::kInputNames : sim::kOutputNames);
      }
      Send(Fragment(rng_, frame));
      ++tally_.fragments;
      needCommand = true;
    } else if (roll < 94) {
      const int pick = Uniform(rng_, 0, 9);
      std::string frame;
      if (pick < 7) {
        frame = OffMap(watched_[static_cast<size_t>(Uniform(rng_, 0, 7))]);
      } else if (pick < 9) {
        frame = sim_->Model().FullMap();
      } else {
        frame = sim_->Model().NameTable(sim::kOutputNames);
      }
      Send(BadChecksum(rng_, frame));
      ++tally_.badChecksums;
    } else {
      // Frames the panel answers or takes in without touching the map.
      if (Chance(rng_, 0.5)) {
        Send(sim::BuildTypeRequest());
      } else {
        Send(sim::BuildSwitcherType(Uniform(rng_, 0, sim::kMaxWord)));
      }
      ++tally_.otherFrames;
    }
  }
  Sync();
}

// Every watched output onto a source of its own (one-output maps), so that
// the panel's return sources are known whatever came before.
void Soak::RestoreWatched() {
  for (int output : watched_) {
    int input = 0;
    do {
      input = Uniform(rng_, 0, channelPool_ - 1);
    } while (input == exceptionInput_);
    sim_->Route(output, input);
    ++tally_.oneOutputMaps;
    ShadowOneOutput(output);
  }
}

bool Soak::AwaitReconnect(int timeoutMs) {
  const int before = infoRequestsAtDrop_;
  const bool ok = WaitFor(
      [&] {
        return !PanelAlive() || (panelConnected_ && sim_->HasClient() && infoRequests_ > before);
      },
      timeoutMs);
  if (!ok || !PanelAlive()) {
    if (PanelAlive()) ++tally_.reconnectTimeouts;
    return false;
  }
  return Sync();
}

void Soak::FlushSimClient() {
  for (QTcpSocket* socket : sim_->findChildren<QTcpSocket*>()) {
    if (socket->state() != QAbstractSocket::ConnectedState) continue;
    for (int i = 0; i < 100 && socket->bytesToWrite() > 0; ++i) {
      socket->flush();
      if (socket->bytesToWrite() > 0) socket->waitForBytesWritten(10);
    }
  }
}

void Soak::PlainDrop(bool midFrame) {
  infoRequestsAtDrop_ = infoRequests_;
  expectDrop_ = true;
  if (midFrame) {
    const int pick = Uniform(rng_, 0, 2);
    std::string frame = pick == 0   ? OffMap(watched_[static_cast<size_t>(Uniform(rng_, 0, 7))])
                        : pick == 1 ? sim_->Model().FullMap()
                                    : sim_->Model().NameTable(sim::kOutputNames);
    Send(frame.substr(0, std::max<size_t>(1, frame.size() / 2)));
    ++tally_.fragments;
    FlushSimClient();
    Pause(15);  // the panel reads it before the connection goes
    ++tally_.midFrameDrops;
  }
  ++tally_.drops;
  sim_->DropClient();
  WaitFor([&] { return !panelConnected_ || !PanelAlive(); }, 5000);
  // Now and then a watched output goes Off while the link is down: the
  // switcher has no panel to tell; the new link's map shows it Off.
  int downOutput = -1;
  if (Chance(rng_, 0.2) && !sim_->HasClient()) {
    downOutput = watched_[static_cast<size_t>(Uniform(rng_, 0, 7))];
    sim_->TakeOff(downOutput);
    ++tally_.downOffs;
    afterLink_.insert(downOutput);
  }
  AwaitReconnect(kReconnectMs);
  if (downOutput >= 0) {
    Pause(500);
    Sync();
    if (sim_->Model().Output(downOutput).entries.empty()) {
      ++tally_.downLeftOff;
      if (tally_.downLeftOff <= 3) {
        notes_.push_back("output " + std::to_string(downOutput + 1) +
                         ", taken Off while the link was down, was still Off 0.5 s after the "
                         "panel reconnected (cycle " +
                         std::to_string(cycle_) + ")");
      }
    }
  }
}

// The simulator stops answering polls but goes on reading: the panel must
// drop the link after its time-out and come back once polls are answered.
void Soak::SilentPhase() {
  ++tally_.silentPhases;
  infoRequestsAtDrop_ = infoRequests_;
  expectDrop_ = true;
  phase_ = Phase::Silent;
  sim_->SetAnswerPolls(false);
  QElapsedTimer t;
  t.start();
  // Offs go on meanwhile; the simulator still applies the returns.
  int sent = 0;
  WaitFor(
      [&] {
        if (!panelConnected_ || !PanelAlive()) return true;
        if (t.elapsed() > 100 * (sent + 1) && sim_->HasClient()) {
          ++sent;
          WatchedEvent(Uniform(rng_, 0, static_cast<int>(watched_.size()) - 1));
        }
        return false;
      },
      15000 + 2 * options_.timeOut * 10);
  tally_.silentDropMs.push_back(t.elapsed());
  sim_->SetAnswerPolls(true);
  AwaitReconnect(kReconnectMs);
  for (auto& [output, offs] : pending_) offs.clear();  // those left were cut off by the drop
}

// The simulator stops reading altogether. An output taken Off now is
// returned by the panel, but the return cannot arrive.
void Soak::DeafPhase() {
  ++tally_.deafPhases;
  infoRequestsAtDrop_ = infoRequests_;
  expectDrop_ = true;
  phase_ = Phase::Deaf;
  deafOutputs_.clear();
  sim_->SetReading(false);
  QTcpSocket* const deafClient = SimClient();
  QElapsedTimer t;
  t.start();
  const int slot = Uniform(rng_, 0, static_cast<int>(watched_.size()) - 1);
  sim_->TakeOff(watched_[static_cast<size_t>(slot)]);
  ++tally_.oneOutputMaps;
  ShadowOneOutput(watched_[static_cast<size_t>(slot)]);
  WaitFor([&] { return !panelConnected_ || !PanelAlive(); }, 15000 + options_.timeOut * 10);
  tally_.deafDropMs.push_back(t.elapsed());
  // What the panel sent on the dead link is lost with it: the simulator must
  // not read it once reading is back on.
  if (deafClient != nullptr && SimClient() == deafClient) sim_->DropClient();
  sim_->SetReading(true);
  AwaitReconnect(kReconnectMs);
  // The new link brought the whole map, Off output included. Is it returned?
  Pause(500);
  Sync();
  for (int output : deafOutputs_) {
    if (!sim_->Model().Output(output).entries.empty()) continue;
    ++tally_.deafLeftOff;
    if (tally_.deafLeftOff <= 3) {
      notes_.push_back("output " + std::to_string(output + 1) +
                       ", taken Off while the simulator read nothing, was still Off 0.5 s after "
                       "the panel reconnected (cycle " +
                       std::to_string(cycle_) + ")");
    }
  }
}

// Random bytes and random frames of every kind the panel decodes; then the
// link is dropped so that the next one starts from a fresh handshake.
void Soak::GarbagePhase() {
  ++tally_.garbagePhases;
  phase_ = Phase::Garbage;
  for (int i = 0; i < 400 && PanelAlive(); ++i) {
    if (Chance(rng_, 0.4)) {
      Send(RawGarbage(rng_, Uniform(rng_, 1, 256)));
      ++tally_.garbage;
    } else {
      Send(RandomFrame(rng_, options_.maxClaimedOutputs));
      ++tally_.randomFrames;
    }
    if (i % 50 == 49) Sync(3000);
  }
  Send("\xFF");
  Sync(5000);
  infoRequestsAtDrop_ = infoRequests_;
  expectDrop_ = true;
  sim_->DropClient();
  WaitFor([&] { return !panelConnected_ || !PanelAlive(); }, 5000);
  AwaitReconnect(kReconnectMs);
}

// The simulator stops reading but keeps the link alive with poll answers of
// its own, and asks the panel for its type again and again: the answers pile
// up in the socket buffers, and the panel's send limits (1 MiB unsent, or
// nothing drained for 10 s) must drop the link. The requests are paced so
// that the panel is never far behind: a flood it cannot keep up with would
// test its receive buffer instead.
void Soak::StallPhase() {
  ++tally_.stallPhases;
  infoRequestsAtDrop_ = infoRequests_;
  expectDrop_ = true;
  phase_ = Phase::Stall;
  const int64_t limitLinesBefore = StoppedReadingLines();
  sim_->SetReading(false);
  QTcpSocket* client = SimClient();
  const std::string request = sim::BuildTypeRequest();
  const int64_t answerBytes = 5;  // 81 02 01 03 FF
  const int64_t kAhead = 2000;    // requests the panel may have waiting
  // Enough answers to fill the largest send buffer the kernel gives a
  // socket and then the panel's own limit.
  const int64_t kBlind =
      (MaxSendBufferBytes() + vyr::kSendQueueLimitBytes + 65536) / answerBytes + kAhead;
  const std::string keepAlive(1, static_cast<char>(kPollAnswerByte));
  int64_t arrived = 0;  // answer bytes waiting, unread, at the simulator's end
  int64_t requests = 0;
  int64_t keepAlives = 0;
  int64_t blindSent = 0;
  double perMs = 0;  // requests the panel handles per millisecond
  QElapsedTimer t;
  QElapsedTimer sinceProgress;
  QElapsedTimer blind;
  t.start();
  sinceProgress.start();
  const auto send = [&](int64_t count) {
    std::string batch;
    batch.reserve(static_cast<size_t>(count) * request.size());
    for (int64_t i = 0; i < count; ++i) batch += request;
    tally_.bytes += static_cast<int64_t>(batch.size());
    sim_->SendRaw(QByteArray(batch.data(), static_cast<qsizetype>(batch.size())));
    requests += count;
  };
  // While the simulator's socket buffer takes the answers, its fill shows
  // how far the panel has got. Once nothing more arrives the buffers are
  // full: then requests follow blind, at the rate the panel showed, until
  // its answers must have passed the limit.
  WaitFor(
      [&] {
        if (!panelConnected_ || !PanelAlive()) return true;
        if (client == nullptr || client != SimClient()) return false;
        if (t.elapsed() >= 50 * keepAlives) {
          ++keepAlives;
          Send(keepAlive);
          ++tally_.keepAlives;
        }
        const int64_t now = UnreadBytes(client);
        if (now > arrived) {
          arrived = now;
          sinceProgress.restart();
        }
        if (!blind.isValid()) {
          if (requests > kAhead && sinceProgress.elapsed() > 300) {
            perMs = static_cast<double>(arrived / answerBytes) /
                    static_cast<double>(std::max<int64_t>(1, t.elapsed() - 300));
            blind.start();
          } else {
            const int64_t more = std::min(kAhead - (requests - arrived / answerBytes), kAhead);
            if (more > 0) send(more);
          }
        } else if (blindSent < kBlind) {
          const int64_t due = std::min<int64_t>(
              kBlind, static_cast<int64_t>(0.8 * perMs * static_cast<double>(blind.elapsed())));
          if (due > blindSent) {
            send(due - blindSent);
            blindSent = due;
          }
        }
        return false;
      },
      options_.stallLimitSeconds * 1000);
  tally_.stallDropMs.push_back(t.elapsed());
  char line[200];
  std::snprintf(line, sizeof line,
                "stalled reader in cycle %d: %" PRId64
                " answer bytes reached the simulator's "
                "buffer in %.1f s (%.0f requests/s), %" PRId64
                " requests sent after that, "
                "drop %.1f s after the start",
                cycle_, arrived, Seconds(blind.isValid() ? t.elapsed() - blind.elapsed() : 0),
                perMs * 1000.0, blindSent, Seconds(t.elapsed()));
  notes_.push_back(line);
  tally_.floodRequests += requests;
  if (panelConnected_ && PanelAlive()) {
    notes_.push_back("stalled reader: the panel still held the link after " +
                     std::to_string(options_.stallLimitSeconds) + " s in cycle " +
                     std::to_string(cycle_) + " (" + std::to_string(requests) +
                     " type requests sent)");
    sim_->DropClient();
  }
  sim_->SetReading(true);
  AwaitReconnect(kReconnectMs);
  // The panel names the drop in its error log when a send limit caused it.
  if (StoppedReadingLines() > limitLinesBefore) ++tally_.stallDropsByLimit;
}

QTcpSocket* Soak::SimClient() const {
  for (QTcpSocket* socket : sim_->findChildren<QTcpSocket*>()) {
    if (socket->state() == QAbstractSocket::ConnectedState) return socket;
  }
  return nullptr;
}

int64_t Soak::UnreadBytes(QTcpSocket* socket) {
  int waiting = 0;
  if (::ioctl(static_cast<int>(socket->socketDescriptor()), FIONREAD, &waiting) != 0) waiting = 0;
  return waiting + socket->bytesAvailable();
}

int64_t Soak::MaxSendBufferBytes() {
  std::ifstream wmem("/proc/sys/net/ipv4/tcp_wmem");
  int64_t low = 0, initial = 0, high = 0;
  if (wmem >> low >> initial >> high) return high;
  return 4 << 20;
}

}  // namespace soak
