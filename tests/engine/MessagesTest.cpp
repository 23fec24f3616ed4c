#include <gtest/gtest.h>

#include <tuple>

#include "link/Wire.h"
#include "support/PanelFixture.h"

namespace vyr::test {
namespace {

using TypeMessages = PanelTest;

TEST_F(TypeMessages, onlyAValidTypeRequestIsAnsweredAndStartsPolling) {
  const std::pair<std::string, bool> requests[] = {
      {B({0x81, 0x64, 0x00, 0x64, 0xFF}), true},
      {B({0x81, 0x64, 0x64, 0xFF}), true},
      {B({0x81, 0x65, 0x65, 0xFF}), false},               // not 0x64
      {B({0x81, 0x64, 0x00, 0x65, 0xFF}), false},         // checksum
      {B({0x81, 0x64, 0x00, 0x00, 0x64, 0xFF}), false}};  // six bytes
  for (const auto& [request, answered] : requests) {
    sock.writes.clear();
    tmrpoll.SetEnabled(false);
    ProcessTypeRequest(p, request);
    EXPECT_EQ(Hex(sock.Sent()), answered ? "81 02 01 03 FF" : "") << Hex(request);
    EXPECT_EQ(tmrpoll.Enabled(), answered) << Hex(request);
  }
  EXPECT_TRUE(logged.empty());
}

TEST_F(TypeMessages, switcherTypeIsTakenFromATenByteMessageOnly) {
  ProcessSwitcherType(p, B({0xE5, 0x01, 0x00, 0x00, 0x05, 0x01, 0x00, 0x00, 0x07, 0xFF}));
  EXPECT_EQ(st.iSwitcherType, 133);
  ProcessSwitcherType(p, B({0xE5, 0x02, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x07, 0xFF}));
  ProcessSwitcherType(p, B({0xE5, 0x01, 0x00, 0x05, 0x00, 0x00, 0x00, 0x06, 0xFF}));
  EXPECT_EQ(st.iSwitcherType, 133);
}

// A name table as the Server Module sends it.
std::string NameTable(int kind, int width, const std::vector<std::string>& names, int first = 0) {
  std::string f = B({0xFC, kind, width});
  wire::AppendWord14(f, static_cast<int>(names.size()));
  wire::AppendWord14(f, first);
  for (std::size_t i = 0; i < names.size(); ++i) {
    f += names[i] + std::string(static_cast<std::size_t>(width) - names[i].size(), ' ');
    wire::AppendWord14(f, static_cast<int>(i));
  }
  wire::CloseFrame(f);
  return f;
}

using NameTables = PanelTest;

TEST_F(NameTables, inputTableFromItsFirstEntryReplacesNamesAndSizesTheInputState) {
  st.lInfoRequest = 0x380;
  std::string table = NameTable(10, 8, {"MIC 1", "CD", "TEL"}, 1);
  ASSERT_EQ(table.size(), 39u);
  ProcessAlphaTable(p, table);
  EXPECT_EQ(st.sInputNames, (std::vector<std::string>{"", "CD      ", "TEL     "}));
  EXPECT_EQ(st.iNumInputs, 3);
  EXPECT_EQ(st.iInputMMState, std::vector<int16_t>(3, kNone));
  EXPECT_EQ(st.lInfoRequest, 0x280);

  table.insert(7, "X");  // one byte too many, checksum mended
  table[table.size() - 2] = static_cast<char>(wire::Checksum7(table.substr(1, table.size() - 3)));
  st.lInfoRequest = 0x380;
  ProcessAlphaTable(p, table);
  EXPECT_EQ(st.sInputNames[1], "CD      ");
  EXPECT_EQ(st.lInfoRequest, 0x380);
}

TEST_F(NameTables, outputTableResizesTablesAndRelabelsWatchedRows) {
  Watch({{1}, {0}});
  st.udtConsoles = {{0, 1, 2, 3}};
  st.iConsoleCount = 1;
  st.lInfoRequest = 0x380;
  std::vector<std::string> names;
  for (int i = 0; i < 300; ++i) names.push_back("OUT" + std::to_string(i));
  ProcessAlphaTable(p, NameTable(20, 6, names));
  EXPECT_EQ(st.iNumOutputs, 300);
  EXPECT_EQ(st.udtXptMap.size(), 300u);
  ASSERT_EQ(st.iMMAssoc.size(), 300u);
  EXPECT_EQ(st.iMMAssoc[1], 0) << "bus table rebuilt for the new count";
  EXPECT_EQ(st.lInfoRequest, 0x180);
  EXPECT_EQ(rows.Row(0).sOut + "|" + rows.Row(1).sOut, "OUT1  |OUT0  ");

  st.iMMAssoc[1] = 77;  // the same count again: names only, bus table kept
  names[1] = "NEW";
  ProcessAlphaTable(p, NameTable(20, 6, names));
  EXPECT_EQ(st.iMMAssoc[1], 77);
  EXPECT_EQ(rows.Row(0).sOut, "NEW   ");

  // A watched output beyond a new table is logged after the bit is cleared.
  Watch({{5}});
  st.iConsoleCount = 0, st.lInfoRequest = 0x200;
  ProcessAlphaTable(p, NameTable(20, 4, {"A", "B"}));
  EXPECT_EQ(st.lInfoRequest, 0);
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("Error Processing Alpha Table"), std::string::npos) << logged[0];
}

TEST_F(NameTables, tableWithNoEntriesIsIgnoredStaysRequestedAndLogsALineEach) {
  st.lInfoRequest = 0x380;
  for (int kind : {20, 10, 20}) ProcessAlphaTable(p, NameTable(kind, 8, {}));
  EXPECT_EQ(std::make_tuple(st.iNumOutputs, st.iNumInputs, st.sOutputNames.size()),
            std::make_tuple(256, 256, std::size_t{256}));
  EXPECT_EQ(st.lInfoRequest, 0x380);
  ASSERT_EQ(logged.size(), 3u);
  EXPECT_NE(logged[0].find("Output name table with no entries ignored"), std::string::npos);
  EXPECT_NE(logged[1].find("Input name table with no entries ignored"), std::string::npos);
  // Maps are still stored: the output count never fell to 0.
  ProcessCrosspointMap(p, OneOutput(3, {7}));
  EXPECT_EQ(st.udtXptMap[3].Src(0), 7);
}

}  // namespace
}  // namespace vyr::test
