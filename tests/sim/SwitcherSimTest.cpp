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
struct Panel {
  QTcpSocket socket;
  QByteArray got;
  explicit Panel(quint16 port) {
    socket.connectToHost(QHostAddress::LocalHost, port);
    QObject::connect(&socket, &QTcpSocket::readyRead, [this] { got += socket.readAll(); });
  }
  bool In(QAbstractSocket::SocketState state) {
    return WaitUntil([&] { return socket.state() == state; });
  }
  // Waits until `count` bytes came and takes them off.
  QByteArray Take(qsizetype count) {
    WaitUntil([&] { return got.size() >= count; });
    const QByteArray taken = got.left(count);
    got.remove(0, taken.size());
    return taken;
  }
};

// Two inputs and two outputs on a free port.
std::unique_ptr<SwitcherSim> Start(int pollMs = 0) {
  test::EnsureApp();
  auto sim = std::make_unique<SwitcherSim>(
      SwitcherSim::Options{.port = 0, .inputs = 2, .outputs = 2, .pollIntervalMs = pollMs});
  EXPECT_TRUE(sim->Listen()) << sim->ListenError().toStdString();
  EXPECT_NE(sim->Port(), 0);
  return sim;
}

TEST(SwitcherSim, answersPollInfoRequestAndChangeAndReportsEditsToTheLatestClient) {
  auto sim = Start();
  Panel panel(sim->Port());
  ASSERT_TRUE(panel.In(QAbstractSocket::ConnectedState));
  ASSERT_TRUE(WaitUntil([&] { return sim->HasClient(); }));
  panel.socket.write(Bytes({0xF5}));
  EXPECT_EQ(panel.Take(1), Bytes({0xF4}));

  // The tables and the map (their bytes are read back by the panel in the
  // link and engine tests): output names, then input names, then the map.
  panel.socket.write(Bytes({0xF2, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0xFF}));
  EXPECT_EQ(panel.Take(29).left(2), Bytes({0xFC, 20}));
  EXPECT_EQ(panel.Take(29).left(2), Bytes({0xFC, 10}));
  EXPECT_EQ(panel.Take(22).left(4), Bytes({0xF6, 0, 2, 0}));
  EXPECT_EQ(sim->InfoRequestsSeen(), 1);

  // Output 1 takes input 0; the switcher reports output 1 back.
  const QByteArray change = Bytes({0xFE, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x05, 0xFF});
  panel.socket.write(change);
  EXPECT_EQ(panel.Take(15), Bytes({0xF6, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 3, 0xFF}));
  ASSERT_EQ(sim->Changes().size(), 1u);
  EXPECT_EQ(sim->Changes()[0].bytes, change);
  EXPECT_TRUE(sim->Changes()[0].applied);
  EXPECT_EQ(sim->BadFrames(), 0);

  // An edit goes out as a one-output map; one the model refuses, nowhere.
  const QByteArray off = Bytes({0xF6, 0, 1, 0, 1, 0, 0, 0, 0, 2, 0xFF});
  ASSERT_TRUE(sim->TakeOff(1));
  EXPECT_EQ(panel.Take(11), off);
  EXPECT_FALSE(sim->Route(2, 0));  // no output 2

  // A switcher that refuses the change reports the output as it stands; one
  // that loses it says nothing (the poll answer comes next).
  sim->SetRouting(SwitcherSim::Routing::Refuse);
  panel.socket.write(change);
  EXPECT_EQ(panel.Take(11), off);
  sim->SetRouting(SwitcherSim::Routing::Ignore);
  panel.socket.write(change + Bytes({0xF5}));
  EXPECT_EQ(panel.Take(1), Bytes({0xF4}));
  EXPECT_TRUE(sim->Model().Output(1).entries.empty());

  Panel second(sim->Port());
  ASSERT_TRUE(second.In(QAbstractSocket::ConnectedState));
  EXPECT_TRUE(panel.In(QAbstractSocket::UnconnectedState)) << "the newcomer did not replace it";
  second.socket.write(Bytes({0xF5}));
  EXPECT_EQ(second.Take(1), Bytes({0xF4}));

  sim->DropClient();
  EXPECT_FALSE(sim->HasClient());
  EXPECT_TRUE(second.In(QAbstractSocket::UnconnectedState));
  EXPECT_FALSE(sim->SendFullMap());
}

TEST(SwitcherSim, pollsThePanelAndCountsItsAnswers) {
  auto sim = Start(30);
  Panel panel(sim->Port());
  ASSERT_TRUE(panel.In(QAbstractSocket::ConnectedState));
  EXPECT_EQ(panel.Take(1), Bytes({0xF5}));
  panel.socket.write(Bytes({0xF4}));
  EXPECT_TRUE(WaitUntil([&] { return sim->PollAnswersSeen() == 1; }));
}

}  // namespace
}  // namespace sim
