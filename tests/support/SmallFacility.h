#pragma once
// Four inputs and six outputs; outputs 6 and 3 are watched (slots with their
// own inputs, optos, sources and countdowns), input 2 is an exception.

#include "core/AppState.h"

namespace vyr::test {

inline void FillSmallFacility(AppState& st) {
  st.iNumInputs = 4, st.sInputNames = {"MIC 1", "MIC 2", "MIC 3", "MIC 4"};
  st.iNumOutputs = 6, st.sOutputNames = {"O1", "O2", "O3", "O4", "O5", "O6"};
  st.iWatchCount = 2, st.iWatchOutputs = {5, 2};
  st.iWatchInputs = {1, kNone}, st.iWatchOptos = {kNone, 3};
  st.iReturnSources = {0, 1}, st.iCurrentSources = {2, 3}, st.iReturnDelays = {4, 5};
  st.iExceptionCount = 1, st.sExceptions = "0100";
}

}  // namespace vyr::test
