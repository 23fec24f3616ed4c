#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "core/AtomicFile.h"
#include "support/ErrorOf.h"
#include "support/TempFolder.h"

namespace vyr {
namespace {

namespace fs = std::filesystem;
using test::ErrorOf;

TEST(AtomicFile, replacesTheFileWholeForTheOwnerOnlyOrKeepsTheOldAndLeavesNoNewFile) {
  test::TempFolder folder;
  const std::string path = folder.File("vyrntpnl.ini");
  const std::string bytes("[Server]\r\nIP Address=10.1.2.3\r\n\0\xff", 34);
  WriteFileAtomically(path, bytes);
  EXPECT_EQ(ReadWholeFile(path), bytes);
  EXPECT_EQ(ErrorOf([&] { ReadWholeFile(folder.File("missing.ini")); }), kErrFileNotFound);
  EXPECT_EQ(ErrorOf([&] { ReadWholeFile(folder.path()); }), kErrPathFileAccess);

  // A leftover from a crash, longer and more open than the new text.
  folder.Write("vyrntpnl.ini.new", "left over from a crash, longer than the new text");
  fs::permissions(path + ".new", fs::perms(0666));
  WriteFileAtomically(path, "old");
  EXPECT_EQ(folder.Read("vyrntpnl.ini"), "old");
  EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_FALSE(fs::exists(path + ".new"));

  fs::create_directory(path + ".new");  // cannot be opened as a file, not even by the superuser
  EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(path, "new text"); }), kErrPathFileAccess);
  EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(folder.File("none/x.ini"), "x"); }),
            kErrPathNotFound);
  fs::remove(path + ".new");
  // A file-size limit makes the write itself fail, whoever runs the test.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const rlimit small{1024, saved.rlim_max};
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const int32_t error = ErrorOf([&] { WriteFileAtomically(path, std::string(4096, 'n')); });
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);
  EXPECT_EQ(error, kErrDeviceIO);
  EXPECT_EQ(folder.Read("vyrntpnl.ini"), "old");
  EXPECT_FALSE(fs::exists(path + ".new"));
}

}  // namespace
}  // namespace vyr
