#pragma once
// The two display lists the list editor works on: the exceptions (switcher
// inputs never returned) and the outputs to watch. A channel shows as an
// item keyed "Ch.0001" (1-based number, four digits at least) with the text
// "<name> (Ch.0001)". These are the editor's rules without any widget: what
// the master and current lists hold, and how a finished list is stored.

#include <cstdint>
#include <string>
#include <vector>

#include "core/AppState.h"

namespace vyr {

inline constexpr int16_t kListExceptions = 10;  // channels are inputs
inline constexpr int16_t kListOutputs = 20;     // channels are outputs

// A list refuses a second item with a key it already holds.
inline constexpr int32_t kErrKeyNotUnique = 35602;
[[noreturn]] void RaiseKeyNotUnique();

struct ListItem {
  std::string key;
  std::string text;
  std::string subItem;  // the key again, for the hidden "Key" column
  bool operator==(const ListItem&) const = default;
};

// "Ch." and the 1-based channel with leading zeros to four digits.
std::string ChannelKey(int channel);
// The numeric value of the key's last four characters.
int16_t ChannelOfKey(const std::string& key);
ListItem ChannelItem(int channel, const std::string& name);

// Appends `item`; a key already in `list` raises kErrKeyNotUnique.
void AppendItem(std::vector<ListItem>& list, ListItem item);

// Every input (exceptions) or output (outputs to watch) in channel order;
// any other list type has none. Items go into `out` one by one, so those
// made before a failure stay there.
void BuildMasterList(const AppState& st, int16_t listType, std::vector<ListItem>& out);

// The list as the state holds it: watched outputs in slot order (those the
// switcher does not have marked as such), or the
// inputs marked "1" in sExceptions (scanned only when iExceptionCount is 1 or
// more). A name missing from the tables raises 9, a channel listed twice
// raises kErrKeyNotUnique; items made before stay in `out`.
void BuildCurrentList(const AppState& st, int16_t listType, std::vector<ListItem>& out);

// Stores the keys (read in ascending key order) as the list of `listType`:
// exceptions become an iNumInputs long "0"/"1" string and their count;
// outputs become the new watch slots, the per-slot tables resized with
// inputs, optos and delays kept by position, new slots without input and
// opto, and every slot's return and current source cleared. An empty watch
// list or an input beyond iNumInputs raises 9 before anything is stored.
// Other list types store nothing.
void SaveDisplayList(AppState& st, int16_t listType, std::vector<std::string> keys);

// A watched output as the list editor keeps it: its key with its own input
// and opto, which stay with the output when others are added or removed.
struct WatchSlot {
  std::string key;
  int16_t input = kNone;
  int16_t opto = kNone;
};
void SaveWatchSlots(AppState& st, std::vector<WatchSlot> watched);

// The text of a watched output beyond the switcher's outputs: it stays in
// the list, marked, and is stored again with the others.
std::string OffSwitcherText(int channel);

// The list editor works on a copy of the state; the setup dialog's Ok takes
// the edited watch list and exceptions from it into the live state. A slot
// whose output is still watched keeps its last source, tones source,
// countdown and confirmation (the first slot of that output takes the first
// old slot of it, and so on); a newly watched output starts unset.
void ApplyDisplayLists(AppState& st, const AppState& edited);

}  // namespace vyr
