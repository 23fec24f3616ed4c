#include "UiFixture.h"
#include "ui/frmAbout.h"

namespace vyr::test {
namespace {

using AboutBox = UiTest;

TEST_F(AboutBox, showsVersionAndTheLinkSettingsAnewEachTime) {
  st().sIPAddress = "0.0.0.0", st().iRefreshRate = 100, st().iTimeOut = 20;
  frmAbout* shown = nullptr;
  const auto read = [&] {
    QStringList texts;
    for (const char* name : {"lblServerLocation", "lblRate", "LblTimeOut", "lblVersionInfo"})
      texts << Child<QLabel>(shown, name)->text();
    return texts;
  };
  dialogs.drivers.push_back([&](QDialog& d) {
    shown = static_cast<frmAbout*>(&d);
    EXPECT_EQ(d.windowTitle(), "VYR Source Return Information");
    EXPECT_EQ(read(), (QStringList{"Not Specified", "100 ms", "20 ms",
                                   "VYR Source Return\nVersion 2.20 - 08/04/2010"}));
    ClickOn(&d, "cmdAboutquit");
    EXPECT_FALSE(d.isVisible());
  });
  window->mnuAbout_Click();
  ASSERT_NE(shown, nullptr);

  st().sIPAddress = "", st().iRefreshRate = 250, st().iTimeOut = 7;
  dialogs.drivers.push_back([&](QDialog& d) {
    EXPECT_EQ(&d, shown);  // the same box, only hidden in between
    EXPECT_EQ(read().mid(0, 3), (QStringList{"", "250 ms", "7 ms"}));
  });
  window->mnuAbout_Click();
  EXPECT_EQ(dialogs.dialogsShown, (std::vector<QString>{"frmAbout", "frmAbout"}));
}

// Each caption's text ends before its value begins, and the value's text
// fits inside the frame; ctest runs this at 1.0 and at 1.5 scale.
TEST_F(AboutBox, captionsDoNotOverlapTheirValues) {
  st().iRefreshRate = 32500, st().iTimeOut = 3600;
  frmAbout about(st());
  about.show();
  const std::pair<const char*, const char*> pairs[] = {{"lblRefresh", "lblRate"},
                                                       {"lblTimeOutPeriod", "LblTimeOut"}};
  for (const auto& [caption, value] : pairs) {
    SCOPED_TRACE(caption);
    const QLabel* c = Child<QLabel>(&about, caption);
    const QLabel* v = Child<QLabel>(&about, value);
    EXPECT_LT(c->x() + c->sizeHint().width(), v->x());
    EXPECT_GE(v->width(), v->sizeHint().width());
    EXPECT_LE(v->geometry().right(), v->parentWidget()->width());
  }
}

}  // namespace
}  // namespace vyr::test
