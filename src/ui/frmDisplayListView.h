#pragma once
// "Edit Display Lists": picks the channels of the exceptions (inputs never
// returned) or of the outputs to watch. The master list on the left holds
// every channel of the kind, the current list on the right what is chosen,
// always in key order; for the outputs to watch with each one's opto.
// Double-click adds a channel, Delete removes the chosen ones. Ok stores
// the list shown if it was changed; Cancel, the close box and Escape leave
// both lists as they were when the editor opened. Opened modally from the
// setup dialog with st.iListType set to the list to show first.

#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "config/DisplayLists.h"
#include "core/AppState.h"
#include "core/ErrorLog.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QShowEvent;
class QTreeWidget;

namespace vyr {

class frmDisplayListView final : public QDialog {
  Q_OBJECT

 public:
  explicit frmDisplayListView(AppState& st, ErrorLog& log, QWidget* parent = nullptr);

  bool KeyExists(const std::string& sKey);
  void UpdateDisplays();
  void LoadMasterList(int16_t t);
  void LoadCurrentList(int16_t t);
  void SaveList();

  void Form_Activate();
  void cmdAdd_Click();
  void cmdAddAll_Click();
  void cmdRemove_Click();
  void cmdRemoveAll_Click();
  void cmdOk_Click();
  void cmdCancel_Click() { reject(); }
  void optInput_Click();
  void optOutput_Click();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 public:
  void reject() override;

 private:
  void AddItems(bool selectedOnly);
  void ChangeList(int16_t listType);

  AppState& st_;
  ErrorLog& log_;
  int16_t iShownList = 0;
  bool bListChanged = false;
  AppState before_;  // the lists as the editor found them, for Cancel

  QGroupBox* frListType;
  QRadioButton* optInput;
  QRadioButton* optOutput;
  QLabel* lblMasterList;
  QTreeWidget* lvChannel;
  QPushButton* cmdAdd;
  QPushButton* cmdAddAll;
  QPushButton* cmdRemove;
  QPushButton* cmdRemoveAll;
  QPushButton* cmdOk;
  QPushButton* cmdCancel;
  QLabel* lblCurrentList;
  QTreeWidget* lvList;
};

}  // namespace vyr
