#pragma once
// What the setup dialog's Ok does, without the dialog: checks the values in
// the order the dialog reports them, applies them, reconnects when the
// address or port changed, writes vyrntpnl.ini and rebuilds the rows.

#include <cstdint>
#include <string>
#include <vector>

#include "config/ChannelRules.h"
#include "engine/Panel.h"

namespace vyr {

// The dialog's boxes as they stand.
struct SetupValues {
  std::string port;     // as typed
  std::string address;  // as typed
  bool returnToSpecific = false;
  int returnItem = 0;  // the chosen item of the return-source list
  std::string delay;   // ms, as typed
  std::string confirm;
  // The lists as the list editor left them; null when it was not opened.
  const AppState* editedLists = nullptr;
  // The Consoles and Air chains tabs; null leaves the stored ones.
  const std::vector<ConsoleRecord>* consoles = nullptr;
  const std::vector<AirChainRecord>* airChains = nullptr;
};

// What stopped Ok, in the order checked; kOk once everything was applied.
// kWriteError leaves the values applied but the file as it was.
// kChannelError: a console, air chain or opto the switcher cannot take.
enum class SetupOutcome {
  kOk,
  kPortError,
  kReturnSourceError,
  kAddressError,
  kChannelError,
  kWriteError
};

// `initial`: the dialog opened at start-up without a configuration; the
// first connection is opened here. The poll timer takes iRefreshRate. With
// kChannelError, `problem` (when given) says which row is wrong and why.
SetupOutcome ApplySetup(Panel& p, const SetupValues& v, bool initial,
                        ChannelProblem* problem = nullptr);

}  // namespace vyr
