#include "ui/frmSetup.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "config/SetupRules.h"
#include "engine/ApplySetup.h"
#include "ui/Bytes.h"
#include "ui/ChannelTable.h"
#include "ui/Dialogs.h"
#include "ui/frmDisplayListView.h"

namespace vyr {

namespace {

QLabel* SetupLabel(QWidget* parent, int index, const char* text) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QStringLiteral("lblSetup_%1").arg(index));
  return l;
}

QLineEdit* Box(QWidget* parent, const char* name, const char* text) {
  auto* b = new QLineEdit(text, parent);
  b->setObjectName(name);
  return b;
}

QPushButton* Button(QWidget* parent, const char* name, const char* text) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  // No default button: Enter in a box does not confirm the dialog.
  b->setAutoDefault(false);
  return b;
}

// The character a key press types, as the boxes' filters see it; 0 for a
// key that types nothing (arrows, Delete, Tab, shortcuts), which always
// passes.
char TypedKey(const QKeyEvent& e) {
  switch (e.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kKeyEnter;
    case Qt::Key_Escape:
      return kKeyEscape;
    case Qt::Key_Backspace:
      return kKeyBackspace;
    default:
      break;
  }
  if (e.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return 0;
  const QString text = e.text();
  if (text.isEmpty() || text.at(0) < QChar(' ')) return 0;
  const char16_t c = text.at(0).unicode();
  return c < 0x7F ? static_cast<char>(c) : '\x7F';  // anything else is refused
}

// A box with its unit after it.
QHBoxLayout* WithUnit(QWidget* box, const char* unit, QWidget* parent) {
  auto* row = new QHBoxLayout;
  row->addWidget(box, 1);
  row->addWidget(new QLabel(unit, parent));
  return row;
}

// The longest return delay the configuration file holds, ms.
constexpr int kMaxDelay = 10000;

}  // namespace

frmSetup::frmSetup(Panel& p, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), p_(p), dialogs_(dialogs) {
  setObjectName("frmSetup");
  setWindowTitle("Setup");

  txtIPAddr_ = Box(this, "txtIPAddr", "127.0.0.1");
  txtIPPort_ = Box(this, "txtIPPort", "1250");
  txtDelay_ = Box(this, "txtDelay", "1000");
  txtConfirm_ = Box(this, "txtConfirm", "2000");
  txtConfirm_->setToolTip(
      "Milliseconds a return may take to show on the output before it is sent again "
      "(3 sends in all, then an alarm); 0 does not check returns");
  cmbReturn_ = new QComboBox(this);
  cmbReturn_->setObjectName("cmbReturn");
  cmbReturn_->setEditable(true);
  cmbReturn_->setInsertPolicy(QComboBox::NoInsert);
  cmbReturn_->addItem("Combo1");
  cmbReturn_->setMinimumContentsLength(18);

  auto* frReturnType = new QGroupBox(this);
  frReturnType->setObjectName("frReturnType");
  auto* options = new QVBoxLayout(frReturnType);
  const char* optionTexts[2] = {"Return to Last Source", "Return to Specific Source"};
  for (int i = 0; i < 2; ++i) {
    optReturnType_[i] = new QRadioButton(optionTexts[i], frReturnType);
    optReturnType_[i]->setObjectName(QStringLiteral("optReturnType_%1").arg(i));
    options->addWidget(optReturnType_[i], 0, Qt::AlignLeft);  // a click beside it is no click
    connect(optReturnType_[i], &QRadioButton::clicked, this, [this, i] { optReturnType_Click(i); });
  }

  cmdConfigOuts_ = Button(this, "cmdConfigOuts", "Configure Outputs");
  cmdConfigExcepts_ = Button(this, "cmdConfigExcepts", "Configure Exceptions");
  auto* cmdOk = Button(this, "cmdOk", "&Ok");
  cmdOk->setToolTip("Accept current settings");
  auto* cmdCancel = Button(this, "cmdCancel", "&Cancel");
  cmdCancel->setToolTip("Abort any changes and exit");
  connect(cmdConfigOuts_, &QPushButton::clicked, this, [this] { cmdConfigOuts_Click(); });
  connect(cmdConfigExcepts_, &QPushButton::clicked, this, [this] { cmdConfigExcepts_Click(); });
  connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });

  lblDelayNote_ = new QLabel(this);
  lblDelayNote_->setObjectName("lblDelayNote");
  lblDelayNote_->setStyleSheet("color: rgb(160, 0, 0);");
  lblDelayNote_->hide();

  auto* general = new QWidget(this);
  general->setObjectName("tabGeneral");
  auto* grid = new QGridLayout(general);
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(8);
  grid->addWidget(SetupLabel(this, 2, "IP Address"), 0, 0);
  grid->addWidget(txtIPAddr_, 0, 1);
  grid->addWidget(SetupLabel(this, 3, "IP Port"), 1, 0);
  grid->addWidget(txtIPPort_, 1, 1);
  grid->addWidget(frReturnType, 2, 0, 1, 2);
  grid->addWidget(SetupLabel(this, 0, "Return Source"), 3, 0);
  grid->addWidget(cmbReturn_, 3, 1);
  grid->addWidget(SetupLabel(this, 1, "Return Delay"), 4, 0);
  grid->addLayout(WithUnit(txtDelay_, "ms", this), 4, 1);
  grid->addWidget(lblDelayNote_, 5, 1);
  grid->addWidget(SetupLabel(this, 4, "Confirm Time"), 6, 0);
  grid->addLayout(WithUnit(txtConfirm_, "ms", this), 6, 1);
  auto* lists = new QHBoxLayout;
  lists->setSpacing(8);
  lists->addWidget(cmdConfigOuts_);
  lists->addWidget(cmdConfigExcepts_);
  grid->addLayout(lists, 7, 0, 1, 2);
  grid->setRowStretch(8, 1);

  const AppState& st = p_.st;
  using K = ChannelKind;
  consoles_ = new ChannelTable(st, "Consoles",
                               {{"Program output", K::kOutput},
                                {"First mix-minus bus", K::kInput},
                                {"Last mix-minus bus", K::kInput},
                                {"Relay", K::kOutput}},
                               this);
  airChains_ = new ChannelTable(
      st, "AirChains", {{"Clean output", K::kOutput}, {"Tones and sounders", K::kInput}}, this);
  tabSetup_ = new QTabWidget(this);
  tabSetup_->setObjectName("tabSetup");
  tabSetup_->addTab(general, "General");
  tabSetup_->addTab(consoles_, "Consoles");
  tabSetup_->addTab(airChains_, "Air chains");

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabSetup_);
  auto* confirm = new QHBoxLayout;
  confirm->addStretch(1);
  confirm->addWidget(cmdOk);
  confirm->addWidget(cmdCancel);
  layout->addLayout(confirm);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  for (QLineEdit* box : {txtIPAddr_, txtIPPort_, txtDelay_, txtConfirm_}) {
    connect(box, &QLineEdit::textEdited, this,
            [this, box](const QString& t) { FilterEdit(box, t); });
  }
  // Keys reach the box through the combo, which holds the focus.
  cmbReturn_->installEventFilter(this);
  for (QObject* box : {static_cast<QObject*>(txtIPAddr_), static_cast<QObject*>(txtIPPort_),
                       static_cast<QObject*>(txtDelay_), static_cast<QObject*>(txtConfirm_),
                       static_cast<QObject*>(cmbReturn_->lineEdit())})
    box->installEventFilter(this);

  Form_Load();
}

void frmSetup::Form_Load() {
  Trap(p_.log, "Error Loading Setup", "Setup Error", [&] {
    const AppState& st = p_.st;
    txtIPPort_->setText(QString::number(st.lIPPort));
    txtIPAddr_->setText(Latin1(st.sIPAddress));
    cmbReturn_->clear();
    for (const std::string& item : ReturnSourceList(st)) cmbReturn_->addItem(Latin1(item));
    cmbReturn_->setCurrentIndex(ReturnSourceItem(st.iReturnSource, cmbReturn_->count()));
    const int rule = st.bReturnToSpecific ? 1 : 0;
    optReturnType_[rule]->setChecked(true);
    optReturnType_Click(rule);
    txtDelay_->setText(QString::number(st.iWaitTime));
    txtConfirm_->setText(QString::number(st.lConfirmTime));
    lblDelayNote_->hide();
  });
  std::vector<std::vector<int16_t>> rows;
  for (const ConsoleRecord& c : p_.st.udtConsoles) {
    rows.push_back({c.iProgram, c.iFirstMMBus, c.iLastMMBus, c.iMMInUseRelay});
  }
  consoles_->SetRows(rows);
  rows.clear();
  for (const AirChainRecord& a : p_.st.udtAirChains)
    rows.push_back({a.iClean, a.iTonesAndSounders});
  airChains_->SetRows(rows);
}

void frmSetup::FilterEdit(QLineEdit* box, const QString& text) {
  QString kept;
  for (const QChar c : text) {
    if (c.isDigit() && c.unicode() < 0x80) kept += c;
    if (c == QLatin1Char('.') && box == txtIPAddr_) kept += c;
  }
  const bool cut = box == txtDelay_ && kept.toLongLong() > kMaxDelay;
  if (cut) kept = QString::number(kMaxDelay);
  if (kept != text) box->setText(kept);
  if (box != txtDelay_) return;
  lblDelayNote_->setText(QStringLiteral("%1 ms is longer than the longest delay: %2 ms kept")
                             .arg(text.left(12), QString::number(kMaxDelay)));
  lblDelayNote_->setVisible(cut);
}

void frmSetup::optReturnType_Click(int index) {
  cmdConfigExcepts_->setEnabled(index == 0);
  cmbReturn_->setEnabled(index == 1);
}

bool frmSetup::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  const char key = TypedKey(*static_cast<QKeyEvent*>(event));
  if (key == 0) return false;
  if (watched == cmbReturn_ || watched == cmbReturn_->lineEdit()) return cmbReturn_KeyPress(key);
  const bool passes = watched == txtIPAddr_ ? AddressKeyPasses(key) : NumberKeyPasses(key);
  return !passes;
}

// Returns true when the key is discarded.
bool frmSetup::cmbReturn_KeyPress(char key) {
  const ComboKey k =
      ReturnComboKey(key, cmbReturn_->currentText().toStdString(), cmbReturn_->count(), p_.st);
  if (k.select) cmbReturn_->setCurrentIndex(*k.select);
  // Enter and Escape end here either way: in a dialog they would confirm or
  // cancel it.
  return !k.passes || key == kKeyEnter || key == kKeyEscape;
}

void frmSetup::cmdOk_Click() {
  const AppState& st = p_.st;
  // Typed text that names no item keeps the stored source.
  int returnItem = cmbReturn_->findText(cmbReturn_->currentText(), Qt::MatchFixedString);
  if (returnItem < 0) returnItem = ReturnSourceItem(st.iReturnSource, cmbReturn_->count());
  SetupValues values{txtIPPort_->text().toStdString(),
                     Bytes(txtIPAddr_->text()),
                     optReturnType_[1]->isChecked(),
                     returnItem,
                     txtDelay_->text().toStdString(),
                     txtConfirm_->text().toStdString(),
                     edited_.get()};
  std::vector<ConsoleRecord> consoles;
  for (const auto& r : consoles_->Rows()) consoles.push_back({r[0], r[1], r[2], r[3]});
  std::vector<AirChainRecord> chains;
  for (const auto& r : airChains_->Rows()) chains.push_back({r[0], r[1]});
  values.consoles = &consoles;
  values.airChains = &chains;
  ChannelProblem problem;
  switch (ApplySetup(p_, values, tag_ == QLatin1String("Initial"), &problem)) {
    case SetupOutcome::kPortError:
      dialogs_.MessageBox(this, "Invalid IP Port #. Please reenter a number between 1 and 65535",
                          Dialogs::Buttons::Ok, Dialogs::Icon::None, "Port Error");
      return;
    case SetupOutcome::kReturnSourceError:
      dialogs_.MessageBox(this,
                          "Please choose the Return Source, or choose Return to Last Source. "
                          "With the source Undefined no output would be returned.",
                          Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation, "Return Source Error");
      cmbReturn_->setFocus();
      return;
    case SetupOutcome::kAddressError:
      dialogs_.MessageBox(this, "Please Enter IP Address In The Following Format: 192.168.1.1",
                          Dialogs::Buttons::Ok, Dialogs::Icon::Critical, "Data Format Error");
      txtIPAddr_->setText(Latin1(st.sIPAddress));
      txtIPAddr_->setFocus();
      return;
    case SetupOutcome::kChannelError: {
      dialogs_.MessageBox(this, QString::fromStdString(problem.text), Dialogs::Buttons::Ok,
                          Dialogs::Icon::Exclamation, QString::fromStdString(problem.title));
      // The tab of the row that is wrong; an opto is set in the list editor.
      const std::string& t = problem.title;
      tabSetup_->setCurrentWidget(t == "Console Error"     ? static_cast<QWidget*>(consoles_)
                                  : t == "Air Chain Error" ? static_cast<QWidget*>(airChains_)
                                                           : tabSetup_->widget(0));
      return;
    }
    case SetupOutcome::kWriteError:
      txtIPAddr_->setText(Latin1(st.sIPAddress));  // as taken over
      dialogs_.MessageBox(this, "Error Writing Vyrntpnl.ini File", Dialogs::Buttons::Ok,
                          Dialogs::Icon::Critical, "Error Writing File");
      return;
    case SetupOutcome::kOk:
      accept();
      return;
  }
}

void frmSetup::ShowListEditor(int16_t listType) {
  if (!edited_) edited_ = std::make_unique<AppState>(p_.st);
  edited_->iListType = listType;
  frmDisplayListView editor(*edited_, p_.log, this);
  dialogs_.ShowModal(editor);
}

void frmSetup::cmdConfigOuts_Click() { ShowListEditor(kListOutputs); }
void frmSetup::cmdConfigExcepts_Click() { ShowListEditor(kListExceptions); }

}  // namespace vyr
