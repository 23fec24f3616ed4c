#pragma once
// What the simulated switcher knows: its channels and their names, which
// entries each output carries, and the last command given to each relay and
// opto. All numbers are 0-based, as on the wire. No Qt here.

#include <map>
#include <string>
#include <vector>

#include "SimMessages.h"

namespace sim {

// What a crosspoint change asks for, by its mode.
enum class ChangeKind { Take, Add, Remove, Relay, Opto, Unknown };
ChangeKind KindOfMode(int mode);

class SwitcherModel {
 public:
  // Counts are kept to 1..kMaxWord, the name width to 1..127. Output i starts
  // on input i (where there is one) unless allOff.
  SwitcherModel(int inputs, int outputs, int nameWidth, bool allOff);

  int Inputs() const { return static_cast<int>(inputNames_.size()); }
  int Outputs() const { return static_cast<int>(outputs_.size()); }
  int NameWidth() const { return nameWidth_; }
  const std::string& InputName(int input) const { return inputNames_.at(input); }
  const std::string& OutputName(int output) const { return outputNames_.at(output); }
  bool SetInputName(int input, std::string name);
  bool SetOutputName(int output, std::string name);
  const OutputRouting& Output(int output) const { return outputs_.at(output); }

  // Edits; each returns false and changes nothing when a number is out of range
  // or the output has no room for another entry.
  bool Route(int output, int input);             // input alone
  bool TakeOff(int output);                      // nothing
  bool Sum(int output, int inputA, int inputB);  // exactly these two
  bool Add(int output, int input);               // input joins (once)
  bool Remove(int output, int input);            // input leaves
  bool Tag(int output, int otherOutput);         // a tagged entry for otherOutput joins (once)
  bool SetStatus(int output, int status);        // 0..127

  // Applies a change from the panel. Returns true when the model took it:
  // routing modes need an output and an input in range; relay and opto modes
  // are always taken; unknown modes never.
  bool Apply(const ChangeRequest& change);

  // Last mode given to a relay (kModeRelayOff/InUse) or opto
  // (kModeOptoOn/Off), or -1 when none came.
  int RelayState(int relay) const;
  int OptoState(int opto) const;
  const std::map<int, int>& Relays() const { return relays_; }
  const std::map<int, int>& Optos() const { return optos_; }

  std::string NameTable(int kind) const;  // kInputNames or kOutputNames
  std::string FullMap() const;            // every output, first output 0
  std::string OneOutputMap(int output) const;

 private:
  bool IsOutput(int output) const { return output >= 0 && output < Outputs(); }
  bool IsInput(int input) const { return input >= 0 && input < Inputs(); }

  int nameWidth_;
  std::vector<std::string> inputNames_;
  std::vector<std::string> outputNames_;
  std::vector<OutputRouting> outputs_;
  std::map<int, int> relays_;
  std::map<int, int> optos_;
};

}  // namespace sim
