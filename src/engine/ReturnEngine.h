#pragma once
// The return engine: the crosspoint map and the return rule, the crosspoint
// change, the poll cycle, the mix-minus bookkeeping and the refresh of the
// status rows from the map.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Panel.h"
#include "link/Messages.h"

namespace vyr {

// Crosspoint-change modes.
inline constexpr int16_t kModeReturn = 4;
inline constexpr int16_t kModeAddTones = 0x24;
inline constexpr int16_t kModeRemoveTones = 0x20;
inline constexpr int16_t kModeOptoOn = 0x60;
inline constexpr int16_t kModeOptoOff = 0x64;
inline constexpr int16_t kModeRelayIdle = 0x40;
inline constexpr int16_t kModeRelayInUse = 0x44;

// Bits of lInfoRequest.
inline constexpr int32_t kRequestMap = 0x80;
inline constexpr int32_t kRequestOutputNames = 0x200;

// Captions of a watched output that shows Off.
inline constexpr const char* kOffCaption = " - Off - ";
inline constexpr const char* kNotReturnedCaption = " - Off - not returned";
inline constexpr const char* kNoReturnSourceCaption = " - Off - no return source";
// Caption of a watched output the switcher does not have.
inline constexpr const char* kNotOnSwitcherCaption = "not on switcher";

// A return not confirmed is sent this many times in all before the alarm.
inline constexpr int16_t kMaxReturnSends = 3;

void ProcessCrosspointMap(Panel& p, const std::string& message);

void SendCrosspointChange(Panel& p, int16_t iOutput, int16_t iSource, int16_t iMode);

void tmrpoll_Timer(Panel& p);
void SendInfoRequest(Panel& p, int32_t& L1, int32_t& L2);

void SetupMMAssoc(Panel& p);
void DetermineMMInUse(Panel& p);
void CheckForActiveMMs(Panel& p, int16_t& iOutput);

void UpdateDisplays(Panel& p);

// Returns and their confirmation.
// The slot's confirmation record (the table grows to the watch count).
ReturnWatch& WatchOf(AppState& st, int64_t slot);
// "Return to Specific Source" with the source Undefined: nothing to send.
bool NoReturnTarget(const AppState& st);
// The caption of the slot's row while its output shows Off.
std::string OffCaption(AppState& st, int64_t slot);
// Shows the slot's output Off: plain, or marked as an alarm.
void ShowOff(Panel& p, int16_t slot);
// "0.4 s": the time a countdown of `ticks` poll ticks has left.
std::string CountdownText(const AppState& st, int16_t ticks);
// The names of the sources an output carries untagged, joined by " + ".
std::string SourcesCaption(const AppState& st, const XptRecord& r);
// The slot's output went Off: shows it and returns it, at once or by
// countdown, unless a return is already awaited or in alarm.
void ReturnOffOutput(Panel& p, int16_t slot, int16_t output);
// Sends the slot's return now and, while returns are confirmed, awaits it.
void SendReturn(Panel& p, int16_t slot, int16_t output);
// A map showed an entry on the slot's output: nothing more is awaited.
void ConfirmReturn(Panel& p, int16_t slot);
// One poll tick of the confirmation timers: sends again or raises the alarm.
void RunConfirmations(Panel& p);

// A source shown black and never taken as the last source: marked "1" in
// the exceptions, or carried with a status byte other than 0.
bool IsException(const AppState& st, const XptRecord& r, int16_t source);
// Where a slot's output goes back to: the one configured source, or its own
// last source.
int16_t ReturnSourceOf(const AppState& st, int64_t slot);

// The copy of an output's routing, or null for an output the map does not
// hold (a watched output the switcher lacks): such an output carries nothing.
const XptRecord* MapEntry(const AppState& st, int64_t output);

// The Program output a console feeds through this bus, or none; a source
// number outside the bus table is no bus.
int16_t MMAssocOf(const AppState& st, int64_t source);

}  // namespace vyr
