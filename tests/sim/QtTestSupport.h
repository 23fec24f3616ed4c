#pragma once
// A Qt application for the whole test program, and waiting on its event loop.

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <initializer_list>

namespace sim::test {

// Made on first use and kept to the end of the program.
inline void EnsureApp() {
  static int argc = 1;
  static char name[] = "test_sim";
  static char* argv[] = {name, nullptr};
  static auto* app = new QCoreApplication(argc, argv);
  (void)app;
}

// Runs the event loop until done() holds or timeoutMs pass; returns done().
template <typename Done>
bool WaitUntil(Done done, int timeoutMs = 3000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return done();
}

// Runs the event loop for ms milliseconds.
inline void Spin(int ms) {
  WaitUntil([] { return false; }, ms);
}

inline QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray bytes;
  for (int v : values) bytes += static_cast<char>(v);
  return bytes;
}

}  // namespace sim::test
