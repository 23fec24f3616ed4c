#include "ui/frmDisplayListView.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>

#include "ui/Bytes.h"
#include "ui/ChannelTable.h"
#include "ui/Twips.h"

namespace vyr {

namespace {

constexpr const char* kCategory = "List Error";

// Names a control and puts it at its design position (twips).
template <class W>
W* Named(W* w, const char* name, int left, int top, int width, int height) {
  w->setObjectName(QLatin1String(name));
  Place(w, left, top, width, height);
  return w;
}

// Widens a control to `width` when its design width is less; a centred
// control stays centred.
void Widen(QWidget* w, int width, bool centred) {
  width = std::max(width, w->width());
  const int left = centred ? w->x() - (width - w->width()) / 2 : w->x();
  w->setGeometry(left, w->y(), width, w->height());
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption, int top, int height,
                    const char* tip) {
  auto* b =
      Named(new QPushButton(QString::fromLatin1(caption), parent), name, 3120, top, 1215, height);
  b->setAutoDefault(false);  // Enter in a list presses nothing
  if (tip) b->setToolTip(QString::fromLatin1(tip));
  return b;
}

constexpr int kOptoColumn = 2;
constexpr int kInputRole = Qt::UserRole + 1;

// Report style: the item text, then the key column, which has no width, and
// the opto of a watched output.
QTreeWidget* ListView(QWidget* parent, const char* name, const char* heading, int left) {
  auto* lv = Named(new QTreeWidget(parent), name, left, 2280, 2535, 3480);
  lv->setColumnCount(3);
  lv->setHeaderLabels(
      {QString::fromLatin1(heading), QStringLiteral("Key"), QStringLiteral("Opto")});
  lv->setColumnHidden(kOptoColumn, true);
  lv->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lv->setColumnHidden(1, true);
  lv->header()->setStretchLastSection(false);
  lv->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  lv->header()->setSectionResizeMode(kOptoColumn, QHeaderView::ResizeToContents);
  lv->header()->setSectionsClickable(false);
  lv->setRootIsDecorated(false);
  lv->setUniformRowHeights(true);
  lv->setAllColumnsShowFocus(true);
  lv->setSelectionMode(QAbstractItemView::ExtendedSelection);
  return lv;
}

std::string KeyOf(const QTreeWidgetItem* item) {
  return Bytes(item->data(0, Qt::UserRole).toString());
}

ListItem ItemOf(const QTreeWidgetItem* item) {
  return {KeyOf(item), Bytes(item->text(0)), Bytes(item->text(1))};
}

QTreeWidgetItem* NewItem(const ListItem& item) {
  auto* row = new QTreeWidgetItem(QStringList{Latin1(item.text), Latin1(item.subItem)});
  row->setData(0, Qt::UserRole, Latin1(item.key));
  row->setData(0, kInputRole, int{kNone});
  row->setFlags(row->flags() | Qt::ItemIsEditable);
  return row;
}

// Puts the item after every item whose key sorts before or with its own.
QTreeWidgetItem* InsertByKey(QTreeWidget* lv, const ListItem& item) {
  int at = lv->topLevelItemCount();
  while (at > 0 && KeyOf(lv->topLevelItem(at - 1)) > item.key) --at;
  QTreeWidgetItem* row = NewItem(item);
  lv->insertTopLevelItem(at, row);
  return row;
}

}  // namespace

frmDisplayListView::frmDisplayListView(AppState& st, ErrorLog& log, QWidget* parent)
    : QDialog(parent), st_(st), log_(log) {
  setObjectName(QStringLiteral("frmDisplayListView"));
  setWindowTitle(QStringLiteral("Edit Display Lists"));
  setFixedSize(Px(7425), Px(6825));
  setFont(PanelFont());

  frListType = Named(new QGroupBox(this), "frListType", 4560, 360, 2295, 1095);
  optInput = Named(new QRadioButton(QStringLiteral("Exceptions"), frListType), "optInput", 240, 240,
                   1695, 375);
  optOutput = Named(new QRadioButton(QStringLiteral("Outputs to watch"), frListType), "optOutput",
                    240, 600, 1695, 375);
  // Captions need more room with some desktop fonts than the design gives.
  for (QRadioButton* opt : {optInput, optOutput}) Widen(opt, opt->sizeHint().width(), false);

  lblMasterList = Named(new QLabel(QStringLiteral("Select Channels "), this), "lblMasterList", 240,
                        2040, 1695, 255);
  lvChannel = ListView(this, "lvChannel", "Channel Alpha", 240);

  const char* addTip = "Add Selected Items to Current Display Listy";
  const char* removeTip = "Remove Selected Items from Current Display List";
  cmdAdd = Button(this, "cmdAdd", "&Add >>", 2760, 350, addTip);
  cmdAddAll = Button(this, "cmdAddAll", "Add All >>", 3360, 350, addTip);
  cmdRemove = Button(this, "cmdRemove", "<< &Remove", 4200, 350, removeTip);
  cmdRemoveAll = Button(this, "cmdRemoveAll", "<< Remove All", 4800, 350, removeTip);
  const std::initializer_list<QPushButton*> buttons = {cmdAdd, cmdAddAll, cmdRemove, cmdRemoveAll};
  int widest = 0;
  for (QPushButton* b : buttons) widest = std::max(widest, b->sizeHint().width());
  for (QPushButton* b : buttons) Widen(b, widest, true);

  lblCurrentList = Named(new QLabel(QStringLiteral("Current List "), this), "lblCurrentList", 4680,
                         2040, 1695, 255);
  lvList = ListView(this, "lvList", "Channel", 4680);
  lvList->setToolTip(QStringLiteral("Current Display List"));
  lvList->setItemDelegateForColumn(kOptoColumn,
                                   new ChannelDelegate(st_, ChannelKind::kInput, lvList));
  cmdOk = Button(this, "cmdOk", "&Ok", 6000, 495, nullptr);
  cmdCancel = Button(this, "cmdCancel", "&Cancel", 6000, 495, "Leave both lists as they were");
  Place(cmdOk, 4680, 6000, 1215, 495);
  Place(cmdCancel, 6000, 6000, 1215, 495);
  for (QPushButton* b : {cmdOk, cmdCancel}) Widen(b, b->sizeHint().width(), false);
  lvChannel->installEventFilter(this);
  lvList->installEventFilter(this);

  connect(cmdAdd, &QPushButton::clicked, this, [this] { cmdAdd_Click(); });
  connect(cmdAddAll, &QPushButton::clicked, this, [this] { cmdAddAll_Click(); });
  connect(cmdRemove, &QPushButton::clicked, this, [this] { cmdRemove_Click(); });
  connect(cmdRemoveAll, &QPushButton::clicked, this, [this] { cmdRemoveAll_Click(); });
  connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
  connect(lvChannel, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    Trap(log_, "Error Adding item", kCategory, [&] {
      if (!KeyExists(KeyOf(item))) InsertByKey(lvList, ItemOf(item));
      bListChanged = true;
    });
  });
  connect(lvList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int col) {
    if (col == kOptoColumn) lvList->editItem(item, kOptoColumn);
  });
  connect(lvList, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem*, int col) {
    if (col == kOptoColumn) bListChanged = true;
  });
  connect(optInput, &QRadioButton::toggled, this, [this](bool on) {
    if (on) optInput_Click();
  });
  connect(optOutput, &QRadioButton::toggled, this, [this](bool on) {
    if (on) optOutput_Click();
  });
}

// A window system showing the editor again (after minimising) is no fresh
// start: the edits stay.
void frmDisplayListView::showEvent(QShowEvent* event) {
  // At a fractional scale the last device row of a list is not painted, and
  // the one-pixel line of its frame falls there: a plain frame two pixels
  // wide keeps the border whole.
  const qreal scale = devicePixelRatioF();
  for (QTreeWidget* lv : {lvChannel, lvList}) {
    if (scale == std::floor(scale)) {
      lv->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    } else {
      lv->setFrameStyle(QFrame::Box | QFrame::Plain);
      lv->setLineWidth(2);
      QPalette grey = lv->palette();  // a plain frame is drawn in the text colour
      grey.setColor(QPalette::WindowText, grey.color(QPalette::Dark));
      lv->setPalette(grey);
    }
  }
  QDialog::showEvent(event);
  if (!event->spontaneous()) Form_Activate();
}

// Delete in the current list removes the chosen channels, F2 edits an opto.
bool frmDisplayListView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  if (watched == lvList && key == Qt::Key_Delete) {
    cmdRemove_Click();
    return true;
  }
  if (watched == lvList && key == Qt::Key_F2 && iShownList == kListOutputs &&
      lvList->currentItem()) {
    lvList->editItem(lvList->currentItem(), kOptoColumn);
    return true;
  }
  return false;
}

void frmDisplayListView::reject() {
  st_.iWatchCount = before_.iWatchCount;
  st_.iWatchOutputs = before_.iWatchOutputs;
  st_.iWatchInputs = before_.iWatchInputs;
  st_.iWatchOptos = before_.iWatchOptos;
  st_.iReturnSources = before_.iReturnSources;
  st_.iCurrentSources = before_.iCurrentSources;
  st_.iReturnDelays = before_.iReturnDelays;
  st_.udtReturnWatch = before_.udtReturnWatch;
  st_.iExceptionCount = before_.iExceptionCount;
  st_.sExceptions = before_.sExceptions;
  QDialog::reject();
}

void frmDisplayListView::Form_Activate() {
  before_ = st_;
  Trap(log_, "Error Loading List Form", kCategory, [&] {
    bListChanged = false;
    if (st_.iListType == kListExceptions || st_.iListType == kListOutputs) {
      iShownList = st_.iListType;
    }
    UpdateDisplays();
    st_.bBusy = true;
    if (iShownList == kListExceptions) optInput->setChecked(true);
    if (iShownList == kListOutputs) optOutput->setChecked(true);
    st_.bBusy = false;
  });
}

bool frmDisplayListView::KeyExists(const std::string& sKey) {
  bool found = false;
  Trap(log_, "Error Finding Key", kCategory, [&] {
    for (int i = 0; i < lvList->topLevelItemCount() && !found; ++i) {
      found = KeyOf(lvList->topLevelItem(i)) == sKey;
    }
  });
  return found;
}

void frmDisplayListView::UpdateDisplays() {
  LoadMasterList(iShownList);
  LoadCurrentList(iShownList);
}

void frmDisplayListView::LoadMasterList(int16_t t) {
  std::vector<ListItem> items;
  Trap(log_, "Error Loading master List", kCategory, [&] {
    lvChannel->clear();
    BuildMasterList(st_, t, items);
  });
  for (const ListItem& item : items) lvChannel->addTopLevelItem(NewItem(item));
}

void frmDisplayListView::LoadCurrentList(int16_t t) {
  std::vector<ListItem> items;
  Trap(log_, "Error Loading List", kCategory, [&] {
    lvList->clear();
    BuildCurrentList(st_, t, items);
  });
  const bool outputs = t == kListOutputs;
  lvList->setColumnHidden(kOptoColumn, !outputs);
  const QSignalBlocker loading(lvList);  // filling the optos is no edit
  for (std::size_t i = 0; i < items.size(); ++i) {
    QTreeWidgetItem* row = InsertByKey(lvList, items[i]);
    if (!outputs) continue;
    // Item i is watch slot i: its input and opto go with the output.
    const auto slot = static_cast<int64_t>(i);
    if (slot < static_cast<int64_t>(st_.iWatchInputs.size())) {
      row->setData(0, kInputRole, int{st_.iWatchInputs[i]});
    }
    if (slot < static_cast<int64_t>(st_.iWatchOptos.size())) {
      row->setText(kOptoColumn, ChannelCell(st_.iWatchOptos[i]));
    }
    if (ChannelOfKey(items[i].key) > st_.iNumOutputs) row->setForeground(0, QBrush(Qt::gray));
  }
}

void frmDisplayListView::AddItems(bool selectedOnly) {
  const int count = lvChannel->topLevelItemCount();
  for (int i = 0; i < count; ++i) {
    const QTreeWidgetItem* item = lvChannel->topLevelItem(i);
    if ((!selectedOnly || item->isSelected()) && !KeyExists(KeyOf(item))) {
      InsertByKey(lvList, ItemOf(item));
    }
  }
  bListChanged = true;
}

void frmDisplayListView::cmdAdd_Click() {
  Trap(log_, "Error Adding item", kCategory, [&] { AddItems(true); });
}

void frmDisplayListView::cmdAddAll_Click() {
  Trap(log_, "Error Adding All Items", kCategory, [&] { AddItems(false); });
}

void frmDisplayListView::cmdRemove_Click() {
  Trap(log_, "Error Removing Item", kCategory, [&] {
    qDeleteAll(lvList->selectedItems());
    bListChanged = true;
  });
}

void frmDisplayListView::cmdRemoveAll_Click() {
  Trap(log_, "Error Removing All Items", kCategory, [&] {
    lvList->clear();
    bListChanged = true;
  });
}

void frmDisplayListView::ChangeList(int16_t listType) {
  if (st_.bBusy) return;
  Trap(log_, "Error Changing List Type", kCategory, [&] {
    if (bListChanged) SaveList();
    st_.bBusy = true;
    iShownList = listType;
    UpdateDisplays();
    st_.bBusy = false;
  });
}

void frmDisplayListView::optInput_Click() { ChangeList(kListExceptions); }
void frmDisplayListView::optOutput_Click() { ChangeList(kListOutputs); }

// An unsaved edit is stored first; the editor closes even when that fails.
void frmDisplayListView::cmdOk_Click() {
  if (bListChanged) SaveList();
  lvChannel->clear();
  lvList->clear();
  accept();
}

void frmDisplayListView::SaveList() {
  Trap(log_, "Error Saving List", kCategory, [&] {
    std::vector<std::string> keys;
    std::vector<WatchSlot> watched;
    for (int i = 0; i < lvList->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* item = lvList->topLevelItem(i);
      keys.push_back(KeyOf(item));
      watched.push_back({KeyOf(item), static_cast<int16_t>(item->data(0, kInputRole).toInt()),
                         ChannelOfCell(item->text(kOptoColumn))});
    }
    if (iShownList == kListOutputs) {
      SaveWatchSlots(st_, std::move(watched));
    } else {
      SaveDisplayList(st_, iShownList, std::move(keys));
    }
    bListChanged = false;
  });
}

}  // namespace vyr
