#include "engine/ApplySetup.h"

#include "config/DisplayLists.h"
#include "config/IniFile.h"
#include "config/SetupRules.h"
#include "engine/ReturnEngine.h"
#include "engine/StatusRows.h"
#include "engine/TCPComm.h"

namespace vyr {

SetupOutcome ApplySetup(Panel& p, const SetupValues& v, bool initial) {
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
