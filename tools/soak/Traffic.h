#pragma once
// Bytes the soak driver sends besides the simulator's own messages: garbage,
// broken fragments, frames with a wrong checksum, and random frames of the
// kinds the panel decodes. No Qt here.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "SimMessages.h"

namespace soak {

using Rng = std::mt19937_64;

int Uniform(Rng& rng, int low, int high);  // low..high inclusive
bool Chance(Rng& rng, double p);

// Command bytes the panel acts on; garbage for the counted phases leaves them
// out, so that every poll answer and every crosspoint change can be
// accounted for.
bool IsActedOn(unsigned char byte);

// Random bytes, none of them a command byte the panel acts on.
std::string QuietGarbage(Rng& rng, int length);
// Random bytes, anything goes.
std::string RawGarbage(Rng& rng, int length);

// The first part of a frame, cut before its end marker (at least one byte).
std::string Fragment(Rng& rng, const std::string& frame);
// The frame with its checksum byte changed (or, half the time, a data byte
// changed and the checksum kept), so that the sum no longer matches.
std::string BadChecksum(Rng& rng, const std::string& frame);

// A one-output map that shows `output` Off.
std::string OffMap(int output);

// Frames of the kinds the panel decodes (0x81, 0xE5, 0xF6, 0xFC) and a few
// it ignores, with random contents: counts that do not match the length,
// entry counts above the limits, first channels out of range, huge counts.
// Most carry a correct checksum so that they reach the decoders. Crosspoint
// maps claim at most maxClaimed outputs (16383: any the format allows).
std::string RandomFrame(Rng& rng, int maxClaimed);

}  // namespace soak
