#include <gtest/gtest.h>

#include <QHostAddress>
#include <QTcpSocket>
#include <memory>

#include "QtTestSupport.h"
#include "SwitcherSim.h"

namespace sim {
namespace {

using test::Bytes;
using test::Spin;
using test::WaitUntil;

// A panel stand-in: a plain socket that collects what the simulator sends.
class Panel {
 public:
  explicit Panel(quint16 port) {
    socket_.connectToHost(QHostAddress::LocalHost, port);
    QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { got_ += socket_.readAll(); });
  }
  bool Connected() {
    return WaitUntil([this] { return socket_.state() == QAbstractSocket::ConnectedState; });
  }
  void Send(const QByteArray& bytes) { socket_.write(bytes); }
  // Waits until `count` bytes came and returns them, taking them off.
  QByteArray Take(qsizetype count) {
    WaitUntil([&] { return got_.size() >= count; });
    const QByteArray taken = got_.left(count);
    got_.remove(0, taken.size());
    return taken;
  }
  QByteArray& Got() { return got_; }
  QTcpSocket& Socket() { return socket_; }

 private:
  QTcpSocket socket_;
  QByteArray got_;
};

class SwitcherSimTest : public ::testing::Test {
 protected:
  void SetUp() override { test::EnsureApp(); }

  std::unique_ptr<SwitcherSim> Start(int pollMs = 0) {
    SwitcherSim::Options options;
    options.port = 0;
    options.inputs = 2;
    options.outputs = 2;
    options.pollIntervalMs = pollMs;
    auto sim = std::make_unique<SwitcherSim>(options);
    EXPECT_TRUE(sim->Listen()) << sim->ListenError().toStdString();
    EXPECT_NE(sim->Port(), 0);
    return sim;
  }
};

TEST_F(SwitcherSimTest, answersPollInfoRequestAndChangeOverTcp) {
  auto sim = Start();
  Panel panel(sim->Port());
  ASSERT_TRUE(panel.Connected());
  ASSERT_TRUE(WaitUntil([&] { return sim->HasClient(); }));

  panel.Send(Bytes({0xF5}));
  EXPECT_EQ(panel.Take(1), Bytes({0xF4}));

  panel.Send(Bytes({0xF2, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0xFF}));
  const QByteArray outputNames = QByteArray("\xFC\x14\x08\x02\x00\x00\x00", 7) + "Out 0001" +
                                 Bytes({0, 0}) + "Out 0002" + Bytes({1, 0, 0x52, 0xFF});
  const QByteArray inputNames = QByteArray("\xFC\x0A\x08\x02\x00\x00\x00", 7) + "Inpt0001" +
                                Bytes({0, 0}) + "Inpt0002" + Bytes({1, 0, 0x4E, 0xFF});
  const QByteArray map =
      Bytes({0xF6, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 5, 0xFF});
  EXPECT_EQ(panel.Take(29), outputNames);
  EXPECT_EQ(panel.Take(29), inputNames);
  EXPECT_EQ(panel.Take(map.size()), map);
  EXPECT_EQ(sim->InfoRequestsSeen(), 1);

  // Output 1 takes input 0; the switcher reports output 1 back.
  const QByteArray change = Bytes({0xFE, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x05, 0xFF});
  panel.Send(change);
  EXPECT_EQ(panel.Take(15), Bytes({0xF6, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 3, 0xFF}));
  ASSERT_EQ(sim->Changes().size(), 1u);
  EXPECT_EQ(sim->Changes()[0].output, 1);
  EXPECT_EQ(sim->Changes()[0].source, 0);
  EXPECT_EQ(sim->Changes()[0].mode, 4);
  EXPECT_EQ(sim->Changes()[0].bytes, change);
  EXPECT_TRUE(sim->Changes()[0].applied);
  EXPECT_EQ(sim->Received(),
            Bytes({0xF5}) + Bytes({0xF2, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0xFF}) + change);
  EXPECT_EQ(sim->BadFrames(), 0);
}

TEST_F(SwitcherSimTest, pollsThePanelAndCanStopAnsweringItsPolls) {
  auto sim = Start(30);
  Panel panel(sim->Port());
  ASSERT_TRUE(panel.Connected());
  EXPECT_EQ(panel.Take(1), Bytes({0xF5}));
  panel.Send(Bytes({0xF4}));
  EXPECT_TRUE(WaitUntil([&] { return sim->PollAnswersSeen() == 1; }));

  sim->SetAnswerPolls(false);
  panel.Got().clear();
  panel.Send(Bytes({0xF5}));
  ASSERT_TRUE(WaitUntil([&] { return sim->PollsSeen() == 1; }));
  Spin(100);
  EXPECT_FALSE(panel.Got().contains('\xF4'));
  EXPECT_TRUE(panel.Got().contains('\xF5'));  // its own polls go on
}

TEST_F(SwitcherSimTest, pausedReadingLeavesThePanelsBytesUnread) {
  auto sim = Start();
  Panel panel(sim->Port());
  ASSERT_TRUE(panel.Connected());
  ASSERT_TRUE(WaitUntil([&] { return sim->HasClient(); }));
  sim->SetReading(false);
  // Output 0 takes input 1, twice over.
  const QByteArray change = Bytes({0xFE, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00, 0x05, 0xFF});
  panel.Send(change + change);
  Spin(150);
  EXPECT_TRUE(sim->Changes().empty());
  EXPECT_EQ(sim->Model().Output(0).entries, std::vector<Entry>({{0, false}}));

  sim->SetReading(true);
  EXPECT_TRUE(WaitUntil([&] { return sim->Changes().size() == 2; }));
  EXPECT_EQ(sim->Model().Output(0).entries, std::vector<Entry>({{1, false}}));
}

TEST_F(SwitcherSimTest, editsAreReportedAndANewClientReplacesTheOld) {
  auto sim = Start();
  Panel first(sim->Port());
  ASSERT_TRUE(first.Connected());
  ASSERT_TRUE(WaitUntil([&] { return sim->HasClient(); }));
  ASSERT_TRUE(sim->TakeOff(1));
  EXPECT_EQ(first.Take(11), Bytes({0xF6, 0, 1, 0, 1, 0, 0, 0, 0, 2, 0xFF}));
  EXPECT_FALSE(sim->Route(2, 0));  // no output 2

  Panel second(sim->Port());
  ASSERT_TRUE(second.Connected());
  EXPECT_TRUE(
      WaitUntil([&] { return first.Socket().state() == QAbstractSocket::UnconnectedState; }));
  second.Send(Bytes({0xF5}));
  EXPECT_EQ(second.Take(1), Bytes({0xF4}));

  sim->DropClient();
  EXPECT_FALSE(sim->HasClient());
  EXPECT_TRUE(
      WaitUntil([&] { return second.Socket().state() == QAbstractSocket::UnconnectedState; }));
  EXPECT_FALSE(sim->SendFullMap());
}

}  // namespace
}  // namespace sim
