#pragma once
// The About box: program, version, and the three settings of the link to
// the Server Module. Ok hides it; it is filled anew each time it shows.

#include <QDialog>

#include "core/AppState.h"

class QLabel;

namespace vyr {

inline constexpr const char* kVersionText = "Version 2.20 - 08/04/2010";

class frmAbout final : public QDialog {
  Q_OBJECT
 public:
  explicit frmAbout(const AppState& st, QWidget* parent = nullptr);

  void Form_Activate();
  void cmdAboutquit_Click() { hide(); }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  const AppState& st_;
  QLabel* lblVersionInfo_;
  QLabel* lblServerLocation_;
  QLabel* lblRate_;
  QLabel* LblTimeOut_;
};

// The maker's mark: 50 x 29 pixels.
QPixmap MakerLogo();

}  // namespace vyr
