#include "engine/StartUp.h"

#include "config/IniFile.h"
#include "core/InitProgram.h"
#include "engine/ReturnEngine.h"
#include "engine/StatusRows.h"
#include "engine/TCPComm.h"

namespace vyr {

bool StartUp(Panel& p, const std::string& folder) {
  bool configured = false;
  Trap(p.log, "Error Loading Form", "Program Error", [&] {
    InitProgram(p.st, folder, p.tmrpoll, p.log);
    configured = ReadIniFile(p.st, p.tmrpoll, p.log);
    // The consoles are known now: map their buses before any map arrives.
    SetupMMAssoc(p);
    if (!configured) return;
    ConnectToServer(p);
    p.tmrpoll.SetEnabled(true);
    p.rows.MatchWatchList(p.st, p.log);
  });
  return configured;
}

}  // namespace vyr
