#pragma once

#include <string>

#include "core/AppState.h"
#include "core/ErrorLog.h"
#include "core/Timer.h"

namespace vyr {

// Sets every start-up default of the state: program folder, empty security
// texts, 256 inputs and outputs with their default names, refresh 100 ms,
// time-out 20, port 1250, address "127.0.0.1"; the poll timer off; an
// empty crosspoint map and mix-minus tables (none everywhere) for 256 outputs
// and inputs.
void InitProgram(AppState& st, const std::string& programFolder, Timer& tmrpoll, ErrorLog& log);

// "Inpt0001" / "Out 0001": the default name of channel i (1-based).
std::string DefaultInputName(int i);
std::string DefaultOutputName(int i);

// The folder with exactly one trailing separator.
std::string WithTrailingSeparator(const std::string& folder);

}  // namespace vyr
