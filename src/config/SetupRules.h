#pragma once
// The setup dialog's rules that need no window: address normalisation, the
// port and delay boxes, the return-source list and the keys the boxes take.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/AppState.h"

namespace vyr {

// Four dot-separated parts, each capped to 0..255, written back without
// leading zeros: "192.168.001.010" -> "192.168.1.10". No value (refused)
// when the text has fewer than three dots or nothing after the third one.
// Blank parts count as 0; the last part takes everything after the third
// dot and is rounded, halves to even.
std::optional<std::string> NormaliseIPAddress(const std::string& text);

// The port box when Ok is pressed. A box that shows the current port is not
// checked; any other value must lie in 1..65535.
struct PortEntry {
  bool changed = false;
  bool valid = true;
  int32_t value = 0;
};
PortEntry ReadPortBox(const std::string& text, int32_t lIPPort);

// The delay box: its whole value in milliseconds, capped to 0..10000 as the
// configuration file holds it.
int16_t ReadDelayBox(const std::string& text);

// The confirm-time box in ms: 0 (not confirmed) up to 60000, whole.
int32_t ReadConfirmBox(const std::string& text);

// The delay in poll ticks, to the nearest whole tick (halves to even).
int16_t WaitTicksFor(int16_t iWaitTime, int16_t iRefreshRate);

// Item 0 "Undefined", then one item per input: name + "[0012]".
std::vector<std::string> ReturnSourceList(const AppState& st);

// The list item that stands for a stored return source (0 for none or for
// a source beyond the list).
int ReturnSourceItem(int16_t iReturnSource, int itemCount);
// The source an item stands for: 16383 for item 0 or no item.
int16_t ReturnSourceOfItem(int item);

// Which typed characters the boxes take (Backspace is 8).
bool AddressKeyPasses(char key);
bool NumberKeyPasses(char key);

// What a key in the return-source box does: whether it reaches the box, and
// which item (if any) is selected before it does.
struct ComboKey {
  bool passes = false;
  std::optional<int> select;
};
inline constexpr char kKeyEnter = 13;
inline constexpr char kKeyEscape = 27;
inline constexpr char kKeyBackspace = 8;
ComboKey ReturnComboKey(char key, const std::string& textBefore, int itemCount, const AppState& st);

}  // namespace vyr
