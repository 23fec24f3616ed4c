#include <gtest/gtest.h>

#include <QHostAddress>
#include <QTcpSocket>
#include <memory>

#include "QtTestSupport.h"
#include "SwitcherSim.h"

namespace sim {
namespace {

using test::Bytes;
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

  // The tables and the map (their bytes are pinned down by the builder
  // tests): output names, then input names, then the whole map.
  panel.Send(Bytes({0xF2, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0xFF}));
  EXPECT_EQ(panel.Take(29).left(2), Bytes({0xFC, 20}));
  EXPECT_EQ(panel.Take(29).left(2), Bytes({0xFC, 10}));
  EXPECT_EQ(panel.Take(22).left(4), Bytes({0xF6, 0, 2, 0}));
  EXPECT_EQ(sim->InfoRequestsSeen(), 1);

  // Output 1 takes input 0; the switcher reports output 1 back.
  const QByteArray change = Bytes({0xFE, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x05, 0xFF});
  panel.Send(change);
  EXPECT_EQ(panel.Take(15), Bytes({0xF6, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 3, 0xFF}));
  ASSERT_EQ(sim->Changes().size(), 1u);
  EXPECT_EQ(sim->Changes()[0].bytes, change);
  EXPECT_TRUE(sim->Changes()[0].applied);
  EXPECT_EQ(sim->BadFrames(), 0);
}

TEST_F(SwitcherSimTest, pollsThePanelAndCountsItsAnswers) {
  auto sim = Start(30);
  Panel panel(sim->Port());
  ASSERT_TRUE(panel.Connected());
  EXPECT_EQ(panel.Take(1), Bytes({0xF5}));
  panel.Send(Bytes({0xF4}));
  EXPECT_TRUE(WaitUntil([&] { return sim->PollAnswersSeen() == 1; }));
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
