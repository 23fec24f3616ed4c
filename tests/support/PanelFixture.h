#pragma once
// The test kit's panel as a test fixture.

#include <gtest/gtest.h>

#include "core/InitProgram.h"
#include "engine/ReturnEngine.h"
#include "engine/TCPComm.h"
#include "kit/Panel.h"
#include "link/Wire.h"

namespace vyr::test {

using namespace vyr::kit;
using wire::Hex;

class PanelTest : public ::testing::Test, public KitPanel {};

}  // namespace vyr::test
