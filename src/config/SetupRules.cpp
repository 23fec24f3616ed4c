#include "config/SetupRules.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/Checked.h"

namespace vyr {

namespace {

// A part of an address: its value capped to 0..255 before it is made whole,
// so that no part can overflow.
int AddressPart(const std::string& text) {
  double v = Val(text);
  if (!(v > 0)) return 0;  // negative, zero or not a number
  if (v > 255) return 255;
  return CInt(v);
}

// The whole text is one number (blanks around it allowed).
bool IsNumeric(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double v = std::strtod(begin, &end);
  if (end == begin || std::isnan(v)) return false;
  while (*end == ' ' || *end == '\t') ++end;
  return *end == '\0';
}

}  // namespace

std::optional<std::string> NormaliseIPAddress(const std::string& text) {
  const auto dot1 = text.find('.');
  if (dot1 == std::string::npos) return std::nullopt;
  const auto dot2 = text.find('.', dot1 + 1);
  if (dot2 == std::string::npos) return std::nullopt;
  const auto dot3 = text.find('.', dot2 + 1);
  if (dot3 == std::string::npos || dot3 + 1 >= text.size()) return std::nullopt;
  const int parts[4] = {
      AddressPart(text.substr(0, dot1)), AddressPart(text.substr(dot1 + 1, dot2 - dot1 - 1)),
      AddressPart(text.substr(dot2 + 1, dot3 - dot2 - 1)), AddressPart(text.substr(dot3 + 1))};
  return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." +
         std::to_string(parts[2]) + "." + std::to_string(parts[3]);
}

PortEntry ReadPortBox(const std::string& text, int32_t lIPPort) {
  const double v = Val(text);
  PortEntry e;
  if (v == lIPPort) {
    e.value = lIPPort;
    return e;
  }
  e.changed = true;
  e.valid = v >= 0.5 && v < 65535.5;
  e.value = e.valid ? CLng(v) : lIPPort;
  return e;
}

int16_t ReadDelayBox(const std::string& text) {
  const double v = Val(text);
  if (!(v > 0)) return 0;
  return v > 10000 ? 10000 : CInt(v);
}

int32_t ReadConfirmBox(const std::string& text) {
  const double v = Val(text);
  if (!(v > 0)) return 0;
  return v > 60000 ? 60000 : CLng(v);
}

int16_t WaitTicksFor(int16_t iWaitTime, int16_t iRefreshRate) {
  if (iRefreshRate <= 0) Raise(kErrDivByZero);
  return CInt(static_cast<double>(iWaitTime) / iRefreshRate);
}

std::vector<std::string> ReturnSourceList(const AppState& st) {
  std::vector<std::string> items{"Undefined"};
  for (int k = 1; k <= st.iNumInputs; ++k) {
    char number[16];
    std::snprintf(number, sizeof number, "[%04d]", k);
    items.push_back(At(st.sInputNames, k - 1) + number);
  }
  return items;
}

int ReturnSourceItem(int16_t iReturnSource, int itemCount) {
  const int item = iReturnSource == kNone ? 0 : iReturnSource + 1;
  return item < 0 || item >= itemCount ? 0 : item;
}

int16_t ReturnSourceOfItem(int item) { return item <= 0 ? kNone : static_cast<int16_t>(item - 1); }

bool NumberKeyPasses(char key) { return (key >= '0' && key <= '9') || key == kKeyBackspace; }
bool AddressKeyPasses(char key) { return NumberKeyPasses(key) || key == '.'; }

ComboKey ReturnComboKey(char key, const std::string& textBefore, int itemCount,
                        const AppState& st) {
  if (itemCount <= 0) return {true, std::nullopt};
  int reference = ReturnSourceItem(st.iReturnSource, itemCount);
  if (key == kKeyEnter) {
    if (!IsNumeric(textBefore)) return {true, reference};
    const double n = std::nearbyint(Val(textBefore));
    if (n >= 1 && n <= st.iNumInputs && n < itemCount) reference = static_cast<int>(n);
    return {false, reference};
  }
  if (key == kKeyEscape) return {true, reference};
  if (key == 'U' || key == 'u') return {false, 0};
  if (NumberKeyPasses(key)) {
    if (Val(textBefore) >= 16384) return {true, reference};
    return {true, std::nullopt};
  }
  return {false, std::nullopt};
}

}  // namespace vyr
