#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "core/AtomicFile.h"
#include "support/ErrorOf.h"
#include "support/TempFolder.h"

namespace vyr {
namespace {

namespace fs = std::filesystem;

const std::string kOld = "[Server]\r\nIP Port=1250\r\n";

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

using test::ErrorOf;

TEST(AtomicFile, replacesTheFileWithOneReadableByTheOwnerOnly) {
  test::TempFolder folder;
  const std::string path = folder.File("vyrntpnl.ini");
  const std::string bytes("[Server]\r\nIP Address=10.1.2.3\r\n\0\xff", 34);
  WriteFileAtomically(path, bytes);
  EXPECT_EQ(ReadWholeFile(path), bytes);
  EXPECT_EQ(ModeOf(path), 0600u);

  // A leftover from a crash, longer and more open than the new text.
  folder.Write("vyrntpnl.ini.new", "left over from a crash, longer than the new text");
  fs::permissions(path + ".new", fs::perms(0666));
  WriteFileAtomically(path, "short");
  EXPECT_EQ(folder.Read("vyrntpnl.ini"), "short");
  EXPECT_EQ(ModeOf(path), 0600u);
  EXPECT_FALSE(fs::exists(path + ".new"));
}

TEST(AtomicFile, failureToCreateTheNewFileLeavesTheOldOneAlone) {
  test::TempFolder folder;
  const std::string path = folder.File("vyrntpnl.ini");
  folder.Write("vyrntpnl.ini", kOld);
  fs::create_directory(path + ".new");  // cannot be opened as a file, not even by the superuser
  EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(path, "new text"); }), kErrPathFileAccess);
  EXPECT_EQ(folder.Read("vyrntpnl.ini"), kOld);
  EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(folder.File("none/x.ini"), "x"); }),
            kErrPathNotFound);
}

TEST(AtomicFile, failureWhileWritingRemovesTheNewFileAndKeepsTheOld) {
  test::TempFolder folder;
  const std::string path = folder.File("vyrntpnl.ini");
  folder.Write("vyrntpnl.ini", kOld);
  // A file-size limit makes the write itself fail, whoever runs the test.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 1024;
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const int32_t error = ErrorOf([&] { WriteFileAtomically(path, std::string(4096, 'n')); });
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);

  EXPECT_EQ(error, kErrDeviceIO);
  EXPECT_EQ(folder.Read("vyrntpnl.ini"), kOld);
  EXPECT_FALSE(fs::exists(path + ".new"));
}

TEST(AtomicFile, readingAMissingFileIsFileNotFound) {
  test::TempFolder folder;
  EXPECT_EQ(ErrorOf([&] { ReadWholeFile(folder.File("missing.ini")); }), kErrFileNotFound);
  EXPECT_EQ(ErrorOf([&] { ReadWholeFile(folder.path()); }), kErrPathFileAccess);
}

}  // namespace
}  // namespace vyr
