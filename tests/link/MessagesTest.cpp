#include <gtest/gtest.h>

#include "link/Wire.h"
#include "support/PanelFixture.h"

namespace vyr::test {
namespace {

class TypeMessages : public PanelTest {};

TEST_F(TypeMessages, validTypeRequestIsAnsweredAndStartsPolling) {
  for (const std::string& request :
       {B({0x81, 0x64, 0x00, 0x64, 0xFF}), B({0x81, 0x64, 0x64, 0xFF})}) {
    sock.writes.clear();
    tmrpoll.SetEnabled(false);
    ProcessTypeRequest(p, request);
    EXPECT_EQ(Hex(sock.Sent()), "81 02 01 03 FF") << Hex(request);
    EXPECT_TRUE(tmrpoll.Enabled());
  }
}

TEST_F(TypeMessages, otherTypeRequestsAreNotAnswered) {
  ProcessTypeRequest(p, B({0x81, 0x65, 0x65, 0xFF}));              // not 0x64
  ProcessTypeRequest(p, B({0x81, 0x64, 0x00, 0x65, 0xFF}));        // checksum
  ProcessTypeRequest(p, B({0x81, 0x64, 0x00, 0x00, 0x64, 0xFF}));  // six bytes
  EXPECT_TRUE(sock.writes.empty());
  EXPECT_FALSE(tmrpoll.Enabled());
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
  std::string f = "\xFC";
  f += static_cast<char>(kind);
  f += static_cast<char>(width);
  wire::AppendWord(f, static_cast<int>(names.size()));
  wire::AppendWord(f, first);
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::string name = names[i];
    name.resize(static_cast<std::size_t>(width), ' ');
    f += name;
    wire::AppendWord(f, static_cast<int>(i));
  }
  wire::CloseFrame(f);
  return f;
}

class NameTables : public PanelTest {};

TEST_F(NameTables, inputTableReplacesNamesAndSizesTheInputState) {
  st.lInfoRequest = 0x380;
  const std::string table = NameTable(10, 8, {"MIC 1", "CD"});
  ASSERT_EQ(table.size(), 29u);
  ProcessAlphaTable(p, table);
  EXPECT_EQ(st.sInputNames, (std::vector<std::string>{"MIC 1   ", "CD      "}));
  EXPECT_EQ(st.iNumInputs, 2);
  EXPECT_EQ(st.iInputMMState, std::vector<int16_t>(2, kNone));
  EXPECT_EQ(st.lInfoRequest, 0x280);
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
  EXPECT_EQ(st.iMMAssoc[3], kNone);
  EXPECT_EQ(st.lInfoRequest, 0x180);
  EXPECT_EQ(rows.Row(0).sOut, "OUT1  ");
  EXPECT_EQ(rows.Row(1).sOut, "OUT0  ");

  st.iMMAssoc[1] = 77;  // the same count again: names only, bus table kept
  names[1] = "NEW";
  ProcessAlphaTable(p, NameTable(20, 6, names));
  EXPECT_EQ(st.iMMAssoc[1], 77);
  EXPECT_EQ(rows.Row(0).sOut, "NEW   ");
}

TEST_F(NameTables, tableOfTheWrongLengthChangesNothing) {
  st.lInfoRequest = 0x380;
  std::string table = NameTable(10, 8, {"A", "B"});
  table.insert(7, "X");
  table[table.size() - 2] = static_cast<char>(wire::Checksum7(table.substr(1, table.size() - 3)));
  ProcessAlphaTable(p, table);
  EXPECT_EQ(st.iNumInputs, 256);
  EXPECT_EQ(st.sInputNames[0], "Inpt0001");
  EXPECT_EQ(st.lInfoRequest, 0x380);
}

TEST_F(NameTables, entriesBeforeTheFirstTakenStayEmpty) {
  ProcessAlphaTable(p, NameTable(10, 4, {"AAAA", "BBBB", "CCCC"}, 1));
  EXPECT_EQ(st.sInputNames, (std::vector<std::string>{"", "BBBB", "CCCC"}));
}

TEST_F(NameTables, watchedOutputBeyondANewTableIsLoggedAfterTheBitIsCleared) {
  Watch({{5}});
  st.lInfoRequest = 0x200;
  ProcessAlphaTable(p, NameTable(20, 4, {"A", "B"}));
  EXPECT_EQ(st.lInfoRequest, 0);
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("Error Processing Alpha Table"), std::string::npos) << logged[0];
}

}  // namespace
}  // namespace vyr::test
