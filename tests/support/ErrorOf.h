#pragma once

#include "core/RuntimeError.h"

namespace vyr::test {

// The number of the run-time error `body` raised, or 0 when it raised none.
template <class Body>
int32_t ErrorOf(Body&& body) {
  try {
    body();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

}  // namespace vyr::test
