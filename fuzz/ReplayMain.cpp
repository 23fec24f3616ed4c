// Runs a harness on saved inputs without libFuzzer: every file of each folder
// given (in name order) and every file given. A broken invariant stops the
// program as it stops the fuzzer; a folder without inputs is an error, so an
// emptied corpus cannot pass.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

namespace {

// The input being replayed, named on standard error when the harness stops.
std::string current;

void NameTheInput(int signal) {
  const char* what = "\nwhile replaying ";
  if (::write(2, what, std::strlen(what)) < 0 || ::write(2, current.data(), current.size()) < 0 ||
      ::write(2, "\n", 1) < 0) {
    // nothing more can be said
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS-FOLDER-OR-FILE...\n", argv[0]);
    return 2;
  }
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg = argv[i];
    if (!fs::is_directory(arg)) {
      inputs.push_back(arg);
      continue;
    }
    std::vector<fs::path> found;
    for (const fs::directory_entry& e : fs::directory_iterator(arg)) {
      if (e.is_regular_file()) found.push_back(e.path());
    }
    if (found.empty()) {
      std::fprintf(stderr, "%s: no inputs in %s\n", argv[0], arg.c_str());
      return 1;
    }
    std::sort(found.begin(), found.end());
    inputs.insert(inputs.end(), found.begin(), found.end());
  }

  // A broken invariant traps and an escaped exception aborts; the sanitizers keep their own
  // reports.
  for (int signal : {SIGILL, SIGTRAP, SIGABRT}) std::signal(signal, NameTheInput);
  const auto start = std::chrono::steady_clock::now();
  std::size_t bytes = 0;
  for (const fs::path& path : inputs) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
      std::fprintf(stderr, "%s: cannot read %s\n", argv[0], path.c_str());
      return 1;
    }
    const std::vector<char> data((std::istreambuf_iterator<char>(file)),
                                 std::istreambuf_iterator<char>());
    bytes += data.size();
    current = path.string();
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(data.data()), data.size());
  }
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  std::printf("%zu inputs (%zu bytes) replayed in %lld ms\n", inputs.size(), bytes,
              static_cast<long long>(ms.count()));
  return 0;
}
