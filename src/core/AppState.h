#pragma once
// The whole shared state of the panel in one plain struct. Members keep the
// names, widths and meanings every routine uses. Channel numbers are 0-based
// inside; kNone (16383) means "none" in every per-channel table.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ByteBuffer.h"
#include "core/XptRecord.h"

namespace vyr {

inline constexpr int16_t kNone = 16383;

// ms a return may take to show on its output, when the file does not say.
inline constexpr int32_t kDefaultConfirmTime = 2000;

// Label colours of a status row, as 0x00BBGGRR values.
inline constexpr int32_t kColourGreen = 0x8000;
inline constexpr int32_t kColourBlack = 0x0;
inline constexpr int32_t kColourRed = 0xFF;
inline constexpr int32_t kColourGrey = 0x808080;

// Where a return stands after it went out, while returns are confirmed.
enum class ReturnCheck : uint8_t {
  kIdle,      // nothing awaited
  kAwaiting,  // sent; a map showing an entry on the output confirms it
  kAlarm,     // sent the most times and never confirmed
};

// The confirmation of one watch slot's return.
struct ReturnWatch {
  ReturnCheck state = ReturnCheck::kIdle;
  int16_t iSends = 0;      // crosspoint changes sent for this return
  int16_t iTicksLeft = 0;  // poll ticks until the next send or the alarm
  int16_t iSource = 0;     // the source sent (0-based)
  uint32_t lLink = 0;      // the link it went out on (lLinkCount then)
  bool operator==(const ReturnWatch&) const = default;
};

struct ConsoleRecord {
  int16_t iProgram = 0;
  int16_t iFirstMMBus = 0;
  int16_t iLastMMBus = 0;
  int16_t iMMInUseRelay = 0;
  bool operator==(const ConsoleRecord&) const = default;
};

struct AirChainRecord {
  int16_t iClean = 0;
  int16_t iTonesAndSounders = 0;
  bool operator==(const AirChainRecord&) const = default;
};

// What the tray icon needs: whether it is shown and its tip (64 characters
// at most).
struct TrayRecord {
  bool bShown = false;
  std::string sTip;
};

struct AppState {
  // Configuration (vyrntpnl.ini)
  std::string sIPAddress = "127.0.0.1";
  int32_t lIPPort = 1250;
  int16_t iRefreshRate = 100;  // poll interval, ms
  int16_t iTimeOut = 20;
  int16_t iWaitTime = 0;                       // ms before an Off output is returned
  int16_t iWaitTicks = 0;                      // iWaitTime / iRefreshRate, whole
  int32_t lConfirmTime = kDefaultConfirmTime;  // ms a return may take to show; 0: not confirmed
  int16_t iWatchCount = 0;
  std::vector<int16_t> iWatchOutputs;
  std::vector<int16_t> iWatchInputs;
  std::vector<int16_t> iWatchOptos;
  int16_t iReturnSource = 0;
  bool bReturnToSpecific = false;
  int16_t iExceptionCount = 0;
  std::string sExceptions;  // "1" at position n+1 marks source n
  int16_t iConsoleCount = 0;
  std::vector<ConsoleRecord> udtConsoles;
  int16_t iAirChainCount = 0;
  std::vector<AirChainRecord> udtAirChains;
  std::string sUserName;
  std::string sPassword;
  std::string sAppPath;  // program folder, ends with a separator

  // Switcher model, learnt from the Server Module
  int16_t iNumInputs = 256;
  int16_t iNumOutputs = 256;
  std::vector<std::string> sInputNames;
  std::vector<std::string> sOutputNames;
  int16_t iSwitcherType = 0;
  std::vector<XptRecord> udtXptMap;    // one record per output
  std::vector<int16_t> iMMAssoc;       // per output: Program output of its console, or none
  std::vector<int16_t> iInputMMState;  // per input: console whose mix-minus it carries, or none
  int16_t iConsoleIndex = 0;

  // Return engine, per watch slot
  std::vector<int16_t> iReturnSources;   // last source seen, or none
  std::vector<int16_t> iCurrentSources;  // tones source the panel added, or none
  std::vector<int16_t> iReturnDelays;    // countdown in poll ticks; 0 idle
  int16_t iPendingReturns = 0;
  std::vector<ReturnWatch> udtReturnWatch;  // confirmation of each slot's return

  // Link and poll state
  ByteBuffer sRecvBuffer;  // raw bytes, never converted
  bool bConnected = false;
  uint32_t lLinkCount = 0;  // connections made so far (wraps)
  bool bInfoRequested = false;
  int16_t iMissedPolls = 0;
  int16_t iPollTick = 0;
  int16_t iPollTicks = 2;
  int32_t lPollCount = 0;
  int32_t lInfoRequest = 0;
  int32_t lInfoRequest2 = 0;

  // User interface
  int16_t iDisplayCount = 1;
  bool bBusy = false;
  int16_t iListType = 0;  // 10 exceptions, 20 watched outputs
  TrayRecord nidTray;
};

}  // namespace vyr
