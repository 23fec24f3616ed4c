#include "config/DisplayLists.h"

#include <algorithm>
#include <cstdio>

#include "core/Checked.h"

namespace vyr {

void RaiseKeyNotUnique() {
  throw RuntimeError(kErrKeyNotUnique, "Key is not unique in collection");
}

std::string ChannelKey(int channel) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d", channel);
  return std::string("Ch.") + digits;
}

int16_t ChannelOfKey(const std::string& key) {
  const std::size_t from = key.size() < 4 ? 0 : key.size() - 4;
  return CInt(Val(std::string_view(key).substr(from)));
}

ListItem ChannelItem(int channel, const std::string& name) {
  std::string key = ChannelKey(channel);
  return {key, name + " (" + key + ")", key};
}

std::string OffSwitcherText(int channel) {
  char name[32];
  std::snprintf(name, sizeof name, "Out %04d (not on switcher)", channel);
  return name;
}

void AppendItem(std::vector<ListItem>& list, ListItem item) {
  for (const ListItem& held : list) {
    if (held.key == item.key) RaiseKeyNotUnique();
  }
  list.push_back(std::move(item));
}

void BuildMasterList(const AppState& st, int16_t listType, std::vector<ListItem>& out) {
  const bool inputs = listType == kListExceptions;
  int16_t count = 0;
  if (inputs) count = st.iNumInputs;
  if (listType == kListOutputs) count = st.iNumOutputs;
  for (int16_t i = 0; i < count; ++i) {
    const std::string& name = inputs ? At(st.sInputNames, i) : At(st.sOutputNames, i);
    AppendItem(out, ChannelItem(i + 1, name));
  }
}

void BuildCurrentList(const AppState& st, int16_t listType, std::vector<ListItem>& out) {
  if (listType == kListOutputs) {
    for (int16_t i = 0; i < st.iWatchCount; ++i) {
      const int16_t o = At(st.iWatchOutputs, i);
      const int16_t channel = Add16(o, 1);
      if (o >= st.iNumOutputs) {
        const std::string key = ChannelKey(channel);
        AppendItem(out, {key, OffSwitcherText(channel), key});
        continue;
      }
      AppendItem(out, ChannelItem(channel, At(st.sOutputNames, o)));
    }
  } else if (listType == kListExceptions) {
    if (st.iExceptionCount < 1) return;
    const std::string& marks = st.sExceptions;
    for (std::size_t p = marks.find('1'); p != std::string::npos; p = marks.find('1', p + 1)) {
      const int64_t input = static_cast<int64_t>(p);
      AppendItem(out, ChannelItem(Add16(input, 1), At(st.sInputNames, input)));
    }
  }
}

void SaveDisplayList(AppState& st, int16_t listType, std::vector<std::string> keys) {
  std::sort(keys.begin(), keys.end());
  const int16_t n = ToInt16(static_cast<int64_t>(keys.size()));

  if (listType == kListExceptions) {
    if (st.iNumInputs < 0) Raise(kErrInvalidCall);
    std::string marks(static_cast<std::size_t>(st.iNumInputs), '0');
    for (const std::string& key : keys) At(marks, ChannelOfKey(key) - 1) = '1';
    st.sExceptions = std::move(marks);
    st.iExceptionCount = n;
  } else if (listType == kListOutputs) {
    if (n == 0) Raise(kErrSubscript);
    std::vector<int16_t> outputs;
    outputs.reserve(keys.size());
    for (const std::string& key : keys) outputs.push_back(Sub16(ChannelOfKey(key), 1));

    const int16_t oldCount = st.iWatchCount;
    st.iWatchOutputs = std::move(outputs);
    Redim(st.iReturnSources, n, kNone);
    Redim(st.iCurrentSources, n, kNone);
    RedimPreserve(st.iWatchInputs, n);
    RedimPreserve(st.iWatchOptos, n);
    RedimPreserve(st.iReturnDelays, n, int16_t{0});
    Redim(st.udtReturnWatch, n);
    for (int16_t j = std::max<int16_t>(oldCount, 0); j < n; ++j) {
      At(st.iWatchInputs, j) = kNone;
      At(st.iWatchOptos, j) = kNone;
    }
    st.iWatchCount = n;
  }
}

void SaveWatchSlots(AppState& st, std::vector<WatchSlot> watched) {
  std::sort(watched.begin(), watched.end(),
            [](const WatchSlot& a, const WatchSlot& b) { return a.key < b.key; });
  std::vector<std::string> keys;
  for (const WatchSlot& slot : watched) keys.push_back(slot.key);
  SaveDisplayList(st, kListOutputs, std::move(keys));
  for (std::size_t j = 0; j < watched.size(); ++j) {
    st.iWatchInputs[j] = watched[j].input;
    st.iWatchOptos[j] = watched[j].opto;
  }
}

void ApplyDisplayLists(AppState& st, const AppState& edited) {
  const std::size_t n = edited.iWatchOutputs.size();
  std::vector<int16_t> lastSources(n, kNone), tones(n, kNone), delays(n, 0);
  std::vector<ReturnWatch> watches(n);
  std::vector<bool> taken(st.iWatchOutputs.size(), false);
  int16_t pending = 0;
  for (std::size_t j = 0; j < n; ++j) {
    for (std::size_t i = 0; i < st.iWatchOutputs.size(); ++i) {
      if (taken[i] || st.iWatchOutputs[i] != edited.iWatchOutputs[j]) continue;
      taken[i] = true;
      lastSources[j] = At(st.iReturnSources, static_cast<int64_t>(i));
      tones[j] = At(st.iCurrentSources, static_cast<int64_t>(i));
      delays[j] = At(st.iReturnDelays, static_cast<int64_t>(i));
      if (i < st.udtReturnWatch.size()) watches[j] = st.udtReturnWatch[i];
      if (delays[j] > 0) pending = Add16(pending, 1);
      break;
    }
  }
  st.iWatchCount = edited.iWatchCount;
  st.iWatchOutputs = edited.iWatchOutputs;
  st.iWatchInputs = edited.iWatchInputs;
  st.iWatchOptos = edited.iWatchOptos;
  st.iReturnSources = std::move(lastSources);
  st.iCurrentSources = std::move(tones);
  st.iReturnDelays = std::move(delays);
  st.udtReturnWatch = std::move(watches);
  st.iPendingReturns = pending;
  st.iExceptionCount = edited.iExceptionCount;
  st.sExceptions = edited.sExceptions;
}

}  // namespace vyr
