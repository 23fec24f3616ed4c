#include "engine/ApplySetup.h"

#include "config/DisplayLists.h"
#include "config/IniFile.h"
#include "config/SetupRules.h"
#include "engine/ReturnEngine.h"
#include "engine/StatusRows.h"
#include "engine/TCPComm.h"

namespace vyr {

namespace {

// The consoles, air chains and optos that Ok would put in force.
std::optional<ChannelProblem> CheckChannels(const AppState& st, const SetupValues& v) {
  if (auto bad = CheckConsoles(v.consoles ? *v.consoles : st.udtConsoles, st)) return bad;
  if (auto bad = CheckAirChains(v.airChains ? *v.airChains : st.udtAirChains, st)) return bad;
  return CheckOptos(v.editedLists ? *v.editedLists : st, st);
}

}  // namespace

SetupOutcome ApplySetup(Panel& p, const SetupValues& v, bool initial, ChannelProblem* problem) {
  AppState& st = p.st;
  const PortEntry port = ReadPortBox(v.port, st.lIPPort);
  if (!port.valid) return SetupOutcome::kPortError;
  // A specific rule needs a source: with none, every Off would send nothing.
  if (v.returnToSpecific && ReturnSourceOfItem(v.returnItem) == kNone) {
    return SetupOutcome::kReturnSourceError;
  }
  bool changed = port.changed;
  std::string address = st.sIPAddress;
  if (v.address != st.sIPAddress) {
    const auto normalised = NormaliseIPAddress(v.address);
    if (!normalised) return SetupOutcome::kAddressError;
    address = *normalised;
    changed = true;
  }
  if (const auto bad = CheckChannels(st, v)) {
    if (problem) *problem = *bad;
    return SetupOutcome::kChannelError;
  }
  if (changed) {
    st.lIPPort = port.value;
    st.sIPAddress = address;
    DisconnectFromServer(p, "reconnecting to the new address");
    ConnectToServer(p);
    p.tmrpoll.SetEnabled(true);
  }
  st.bReturnToSpecific = v.returnToSpecific;
  st.iReturnSource = v.returnToSpecific ? ReturnSourceOfItem(v.returnItem) : kNone;
  st.iWaitTime = ReadDelayBox(v.delay);
  st.lConfirmTime = ReadConfirmBox(v.confirm);
  if (v.editedLists) ApplyDisplayLists(st, *v.editedLists);
  if (v.consoles) {
    st.udtConsoles = *v.consoles;
    st.iConsoleCount = static_cast<int16_t>(st.udtConsoles.size());
    // Buses of a console taken away or moved must not keep their old owner.
    SetupMMAssoc(p);
  }
  if (v.airChains) {
    st.udtAirChains = *v.airChains;
    st.iAirChainCount = static_cast<int16_t>(st.udtAirChains.size());
  }
  Trap(p.log, "Error Loading Setup", "Setup Error",
       [&] { st.iWaitTicks = WaitTicksFor(st.iWaitTime, st.iRefreshRate); });
  // Setting an unchanged interval would restart a running timer.
  if (p.tmrpoll.Interval() != st.iRefreshRate) p.tmrpoll.SetInterval(st.iRefreshRate);

  if (!WriteIniFile(st, p.log)) return SetupOutcome::kWriteError;
  if (initial) {
    ConnectToServer(p);
    // Polling keeps the new link alive and brings it back when it drops.
    p.tmrpoll.SetEnabled(true);
  }
  p.rows.MatchWatchList(st, p.log);
  UpdateDisplays(p);
  p.events.SetupChanged();
  return SetupOutcome::kOk;
}

}  // namespace vyr
