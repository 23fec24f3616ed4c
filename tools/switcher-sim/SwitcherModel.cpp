#include "SwitcherModel.h"

#include <algorithm>
#include <cstdio>

namespace sim {

namespace {

std::string DefaultName(const char* prefix, int number) {
  char text[16];
  std::snprintf(text, sizeof text, "%s%04d", prefix, number % 10000);
  return text;
}

int CountTagged(const OutputRouting& out) {
  return static_cast<int>(std::count_if(out.entries.begin(), out.entries.end(),
                                        [](const Entry& e) { return e.tagged; }));
}

bool Contains(const OutputRouting& out, Entry entry) {
  return std::find(out.entries.begin(), out.entries.end(), entry) != out.entries.end();
}

}  // namespace

ChangeKind KindOfMode(int mode) {
  switch (mode) {
    case kModeTake:
      return ChangeKind::Take;
    case kModeAdd:
      return ChangeKind::Add;
    case kModeRemove:
      return ChangeKind::Remove;
    case kModeRelayOff:
    case kModeRelayInUse:
      return ChangeKind::Relay;
    case kModeOptoOn:
    case kModeOptoOff:
      return ChangeKind::Opto;
    default:
      return ChangeKind::Unknown;
  }
}

SwitcherModel::SwitcherModel(int inputs, int outputs, int nameWidth, bool allOff)
    : nameWidth_(std::clamp(nameWidth, 1, 127)) {
  inputs = std::clamp(inputs, 1, kMaxWord);
  outputs = std::clamp(outputs, 1, kMaxWord);
  for (int i = 0; i < inputs; ++i) inputNames_.push_back(DefaultName("Inpt", i + 1));
  for (int o = 0; o < outputs; ++o) outputNames_.push_back(DefaultName("Out ", o + 1));
  outputs_.resize(static_cast<size_t>(outputs));
  if (!allOff) {
    for (int o = 0; o < std::min(inputs, outputs); ++o)
      outputs_[static_cast<size_t>(o)].entries = {{o, false}};
  }
}

bool SwitcherModel::SetInputName(int input, std::string name) {
  if (!IsInput(input)) return false;
  inputNames_[static_cast<size_t>(input)] = std::move(name);
  return true;
}

bool SwitcherModel::SetOutputName(int output, std::string name) {
  if (!IsOutput(output)) return false;
  outputNames_[static_cast<size_t>(output)] = std::move(name);
  return true;
}

bool SwitcherModel::Route(int output, int input) {
  if (!IsOutput(output) || !IsInput(input)) return false;
  outputs_[static_cast<size_t>(output)].entries = {{input, false}};
  return true;
}

bool SwitcherModel::TakeOff(int output) {
  if (!IsOutput(output)) return false;
  outputs_[static_cast<size_t>(output)].entries.clear();
  return true;
}

bool SwitcherModel::Sum(int output, int inputA, int inputB) {
  if (!IsOutput(output) || !IsInput(inputA) || !IsInput(inputB)) return false;
  auto& entries = outputs_[static_cast<size_t>(output)].entries;
  entries = {{inputA, false}};
  if (inputB != inputA) entries.push_back({inputB, false});
  return true;
}

bool SwitcherModel::Add(int output, int input) {
  if (!IsOutput(output) || !IsInput(input)) return false;
  OutputRouting& out = outputs_[static_cast<size_t>(output)];
  if (Contains(out, {input, false})) return true;
  if (static_cast<int>(out.entries.size()) >= kMaxEntries) return false;
  out.entries.push_back({input, false});
  return true;
}

bool SwitcherModel::Remove(int output, int input) {
  if (!IsOutput(output) || !IsInput(input)) return false;
  std::erase(outputs_[static_cast<size_t>(output)].entries, Entry{input, false});
  return true;
}

bool SwitcherModel::Tag(int output, int otherOutput) {
  if (!IsOutput(output) || !IsOutput(otherOutput)) return false;
  OutputRouting& out = outputs_[static_cast<size_t>(output)];
  if (Contains(out, {otherOutput, true})) return true;
  if (static_cast<int>(out.entries.size()) >= kMaxEntries || CountTagged(out) >= kMaxTagged) {
    return false;
  }
  out.entries.push_back({otherOutput, true});
  return true;
}

bool SwitcherModel::SetStatus(int output, int status) {
  if (!IsOutput(output) || status < 0 || status > 0x7F) return false;
  outputs_[static_cast<size_t>(output)].status = status;
  return true;
}

bool SwitcherModel::Apply(const ChangeRequest& change) {
  switch (KindOfMode(change.mode)) {
    case ChangeKind::Take:
      return Route(change.output, change.source);
    case ChangeKind::Add:
      return Add(change.output, change.source);
    case ChangeKind::Remove:
      return Remove(change.output, change.source);
    case ChangeKind::Relay:
      relays_[change.output] = change.mode;
      return true;
    case ChangeKind::Opto:
      optos_[change.source] = change.mode;
      return true;
    case ChangeKind::Unknown:
      return false;
  }
  return false;
}

int SwitcherModel::RelayState(int relay) const {
  auto it = relays_.find(relay);
  return it == relays_.end() ? -1 : it->second;
}

int SwitcherModel::OptoState(int opto) const {
  auto it = optos_.find(opto);
  return it == optos_.end() ? -1 : it->second;
}

std::string SwitcherModel::NameTable(int kind) const {
  return BuildNameTable(kind, nameWidth_, kind == kInputNames ? inputNames_ : outputNames_);
}

std::string SwitcherModel::FullMap() const { return BuildCrosspointMap(0, outputs_); }

std::string SwitcherModel::OneOutputMap(int output) const {
  return BuildCrosspointMap(output, {outputs_.at(static_cast<size_t>(output))});
}

}  // namespace sim
