#pragma once
// The setup dialog: server address and port, return rule and source, return
// delay, confirm time, and the doors to the list editor; the consoles and
// the air chains on tabs of their own. Ok hands the boxes to ApplySetup and
// says what stopped it; Cancel applies nothing, the lists edited included.

#include <QDialog>
#include <QString>
#include <memory>

#include "engine/Panel.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QTabWidget;
class QPushButton;
class QRadioButton;

namespace vyr {

class ChannelTable;
class Dialogs;

class frmSetup final : public QDialog {
  Q_OBJECT
 public:
  frmSetup(Panel& p, Dialogs& dialogs, QWidget* parent = nullptr);

  // "Initial" when opened at start-up without a configuration: a confirmed
  // dialog then opens the connection itself.
  void SetTag(const QString& tag) { tag_ = tag; }
  const QString& Tag() const { return tag_; }

  void Form_Load();
  void optReturnType_Click(int index);
  void cmdConfigOuts_Click();
  void cmdConfigExcepts_Click();
  void cmdOk_Click();
  void cmdCancel_Click() { reject(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool cmbReturn_KeyPress(char key);
  // Pasted or dropped text goes through the same filter as typed keys.
  void FilterEdit(QLineEdit* box, const QString& text);
  void ShowListEditor(int16_t listType);

  Panel& p_;
  Dialogs& dialogs_;
  QString tag_;
  QLineEdit* txtIPAddr_;
  QLineEdit* txtIPPort_;
  QRadioButton* optReturnType_[2];
  QComboBox* cmbReturn_;
  QLineEdit* txtDelay_;
  QLabel* lblDelayNote_;  // says when a delay was cut to the longest
  QLineEdit* txtConfirm_;
  // The lists as the list editor left them; taken over only on Ok.
  std::unique_ptr<AppState> edited_;
  QPushButton* cmdConfigOuts_;
  QPushButton* cmdConfigExcepts_;
  QTabWidget* tabSetup_;
  ChannelTable* consoles_;
  ChannelTable* airChains_;
};

}  // namespace vyr
