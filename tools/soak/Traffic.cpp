#include "Traffic.h"

#include <algorithm>

#include "link/Wire.h"

namespace soak {

namespace {

char Byte(int value) { return static_cast<char>(value & 0xFF); }

void Word(std::string& frame, int value) { vyr::wire::AppendWord14(frame, value); }

int RandomWord(Rng& rng) {
  switch (Uniform(rng, 0, 4)) {
    case 0:
      return 0;
    case 1:
      return sim::kMaxWord;
    case 2:
      return Uniform(rng, 0, 300);
    default:
      return Uniform(rng, 0, sim::kMaxWord);
  }
}

void Close(Rng& rng, std::string& frame) {
  if (Chance(rng, 0.85)) {
    vyr::wire::CloseFrame(frame);
  } else {
    frame += Byte(Uniform(rng, 0, 0x7F));
    frame += Byte(0xFF);
  }
}

// 0xF6 with made-up contents.
std::string RandomMap(Rng& rng, int maxClaimed) {
  std::string frame(1, Byte(sim::kCrosspointMap));
  const int flagChoices[] = {0x00, 0x0A, 0x40, 0x4A, 0x41};
  const int flags = Chance(rng, 0.9) ? flagChoices[Uniform(rng, 0, 4)] : Uniform(rng, 0, 0x7F);
  frame += Byte(flags);
  const bool tagged = (flags & 0x40) != 0;
  const int words = (tagged ? (flags & 0x0F) : flags) == 10 ? 3 : 2;
  const int claimed =
      std::min(maxClaimed, Chance(rng, 0.1) ? RandomWord(rng) : Uniform(rng, 0, 4));
  Word(frame, claimed);
  Word(frame, Chance(rng, 0.8) ? Uniform(rng, 0, 140) : RandomWord(rng));
  const int written = Chance(rng, 0.8) ? std::min(claimed, 4) : Uniform(rng, 0, 4);
  for (int r = 0; r < written; ++r) {
    const int entries = Chance(rng, 0.1) ? Uniform(rng, 60, 300) : Uniform(rng, 0, 4);
    Word(frame, entries);
    frame += Byte(Chance(rng, 0.8) ? 0 : Uniform(rng, 0, 0x7F));
    const int present = Chance(rng, 0.9) ? std::min(entries, 70) : Uniform(rng, 0, 3);
    for (int e = 0; e < present; ++e) {
      if (tagged) frame += Byte(Chance(rng, 0.5) ? 10 : 0);
      for (int w = 0; w < words; ++w) {
        Word(frame, Chance(rng, 0.7) ? Uniform(rng, 0, 140) : RandomWord(rng));
      }
    }
  }
  Close(rng, frame);
  return frame;
}

// 0xFC with made-up contents.
std::string RandomNameTable(Rng& rng) {
  std::string frame(1, Byte(sim::kNameTable));
  frame += Byte(Chance(rng, 0.8) ? (Chance(rng, 0.5) ? sim::kInputNames : sim::kOutputNames)
                                 : Uniform(rng, 0, 0x7F));
  const int width = Chance(rng, 0.8) ? Uniform(rng, 0, 12) : Uniform(rng, 0, 0x7F);
  frame += Byte(width);
  const int count = Chance(rng, 0.85) ? Uniform(rng, 0, 300) : RandomWord(rng);
  Word(frame, count);
  Word(frame, Chance(rng, 0.8) ? 0 : RandomWord(rng));
  // Mostly the length the count asks for, sometimes a little off.
  int entries = Chance(rng, 0.8) ? std::min(count, 300) : Uniform(rng, 0, 20);
  for (int i = 0; i < entries; ++i) {
    for (int c = 0; c < width; ++c) frame += Byte(Uniform(rng, 0x20, 0x7E));
    Word(frame, i);
  }
  if (Chance(rng, 0.1)) frame += Byte(Uniform(rng, 0, 0x7F));
  Close(rng, frame);
  return frame;
}

std::string RandomShortFrame(Rng& rng, unsigned char command) {
  std::string frame(1, Byte(command));
  const int length = Chance(rng, 0.5) ? Uniform(rng, 0, 10) : Uniform(rng, 0, 64);
  for (int i = 0; i < length; ++i) frame += Byte(Uniform(rng, 0, 0x7F));
  Close(rng, frame);
  return frame;
}

}  // namespace

int Uniform(Rng& rng, int low, int high) {
  return std::uniform_int_distribution<int>(low, high)(rng);
}

bool Chance(Rng& rng, double p) { return std::bernoulli_distribution(p)(rng); }

bool IsActedOn(unsigned char byte) {
  switch (byte) {
    case 0x81:  // type request
    case 0xE5:  // switcher type
    case 0xF6:  // crosspoint map
    case 0xFC:  // name table
    case 0xF5:  // poll
    case 0xF4:  // poll answer
    case 0xF1:  // acknowledge
    case 0xF3:  // no operation
      return true;
    default:
      return false;
  }
}

std::string QuietGarbage(Rng& rng, int length) {
  std::string bytes;
  bytes.reserve(static_cast<size_t>(length));
  while (static_cast<int>(bytes.size()) < length) {
    const int b = Chance(rng, 0.7) ? Uniform(rng, 0, 0x7F) : Uniform(rng, 0x80, 0xFF);
    if (!IsActedOn(static_cast<unsigned char>(b))) bytes += Byte(b);
  }
  return bytes;
}

std::string RawGarbage(Rng& rng, int length) {
  std::string bytes;
  bytes.reserve(static_cast<size_t>(length));
  for (int i = 0; i < length; ++i) bytes += Byte(Uniform(rng, 0, 0xFF));
  return bytes;
}

std::string Fragment(Rng& rng, const std::string& frame) {
  const int cut = frame.size() < 3 ? 1 : Uniform(rng, 1, static_cast<int>(frame.size()) - 2);
  return frame.substr(0, static_cast<size_t>(cut));
}

std::string BadChecksum(Rng& rng, const std::string& frame) {
  std::string bad = frame;
  if (bad.size() < 4) return bad;
  const size_t checksum = bad.size() - 2;
  if (Chance(rng, 0.5)) {
    const int was = static_cast<unsigned char>(bad[checksum]);
    bad[checksum] = Byte((was + Uniform(rng, 1, 0x7F)) & 0x7F);
  } else {
    // A data byte changes by an amount the 7-bit sum cannot hide.
    const size_t at = static_cast<size_t>(Uniform(rng, 1, static_cast<int>(checksum) - 1));
    const int was = static_cast<unsigned char>(bad[at]);
    bad[at] = Byte((was + Uniform(rng, 1, 0x7F)) & 0x7F);
  }
  return bad;
}

std::string OffMap(int output) {
  return sim::BuildCrosspointMap(output, std::vector<sim::OutputRouting>(1));
}

std::string RandomFrame(Rng& rng, int maxClaimed) {
  switch (Uniform(rng, 0, 9)) {
    case 0:
    case 1:
    case 2:
    case 3:
      return RandomMap(rng, maxClaimed);
    case 4:
    case 5:
      return RandomNameTable(rng);
    case 6:
      return Chance(rng, 0.5) ? sim::BuildTypeRequest() : RandomShortFrame(rng, 0x81);
    case 7:
      return Chance(rng, 0.5) ? sim::BuildSwitcherType(Uniform(rng, 0, sim::kMaxWord))
                              : RandomShortFrame(rng, 0xE5);
    default: {
      const unsigned char others[] = {0xF2, 0xFE, 0xDE, 0xEB, 0x80, 0xC0, 0xFD};
      return RandomShortFrame(rng, others[Uniform(rng, 0, 6)]);
    }
  }
}

}  // namespace soak
