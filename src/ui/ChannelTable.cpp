#include "ui/ChannelTable.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/Bytes.h"

namespace vyr {

QString ChannelCell(int16_t channel) {
  return channel == kNone || channel < 0 ? QString() : QString::number(channel + 1);
}

int16_t ChannelOfCell(const QString& cell) {
  bool ok = false;
  const int n = cell.trimmed().toInt(&ok);
  if (!ok || cell.trimmed().isEmpty()) return kNone;
  // Five digits at most reach the cell; 0 and beyond the 16-bit range stay
  // off the switcher so that the check on Ok names them.
  return static_cast<int16_t>(std::clamp(n, 0, int{kNone} - 1) - 1);
}

QString ChannelCaption(const AppState& st, ChannelKind kind, const QString& cell) {
  const int16_t channel = ChannelOfCell(cell);
  if (channel == kNone) return cell;
  const bool outputs = kind == ChannelKind::kOutput;
  const auto& names = outputs ? st.sOutputNames : st.sInputNames;
  const int16_t count = outputs ? st.iNumOutputs : st.iNumInputs;
  const QString number = QString::number(channel + 1);
  if (channel < 0 || channel >= count) return number + " (not on switcher)";
  if (static_cast<std::size_t>(channel) >= names.size()) return number;
  return number + " (" + Latin1(names[static_cast<std::size_t>(channel)]) + ")";
}

QString ChannelDelegate::displayText(const QVariant& value, const QLocale&) const {
  return ChannelCaption(st_, kind_, value.toString());
}

QWidget* ChannelDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                       const QModelIndex&) const {
  auto* edit = new QLineEdit(parent);
  edit->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), edit));
  return edit;
}

ChannelTable::ChannelTable(const AppState& st, const QString& name, std::vector<Column> columns,
                           QWidget* parent)
    : QWidget(parent) {
  setObjectName(QStringLiteral("tab") + name);
  table_ = new QTableWidget(0, static_cast<int>(columns.size()), this);
  table_->setObjectName(QStringLiteral("grd") + name);
  QStringList headings;
  for (std::size_t c = 0; c < columns.size(); ++c) {
    headings << QString::fromLatin1(columns[c].heading);
    table_->setItemDelegateForColumn(static_cast<int>(c),
                                     new ChannelDelegate(st, columns[c].kind, table_));
  }
  table_->setHorizontalHeaderLabels(headings);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setWordWrap(false);
  // Wide enough for its heading and a channel with a name of eight.
  QHeaderView* header = table_->horizontalHeader();
  const QFontMetrics metrics = table_->fontMetrics();
  int width = table_->verticalHeader()->sizeHint().width() + 2 * table_->frameWidth() + 4;
  for (int c = 0; c < table_->columnCount(); ++c) {
    const int column = std::max(metrics.horizontalAdvance(headings[c]),
                                metrics.horizontalAdvance(QStringLiteral("0000 (WWWWWWWW)"))) +
                       16;
    table_->setColumnWidth(c, column);
    width += column;
  }
  header->setSectionResizeMode(QHeaderView::Stretch);
  table_->setMinimumWidth(width);

  add_ = new QPushButton(QStringLiteral("Add"), this);
  add_->setObjectName(QStringLiteral("cmdAdd") + name);
  remove_ = new QPushButton(QStringLiteral("Remove"), this);
  remove_->setObjectName(QStringLiteral("cmdRemove") + name);
  for (QPushButton* b : {add_, remove_}) b->setAutoDefault(false);
  connect(add_, &QPushButton::clicked, this, [this] { AddRow(); });
  connect(remove_, &QPushButton::clicked, this, [this] { RemoveRows(); });

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(add_);
  buttons->addWidget(remove_);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_);
  layout->addLayout(buttons);
}

void ChannelTable::AppendRow(const std::vector<int16_t>& values) {
  const int row = table_->rowCount();
  table_->insertRow(row);
  for (int c = 0; c < table_->columnCount(); ++c) {
    const auto at = static_cast<std::size_t>(c);
    table_->setItem(row, c, new QTableWidgetItem(ChannelCell(at < values.size() ? values[at] : 0)));
  }
}

void ChannelTable::SetRows(const std::vector<std::vector<int16_t>>& rows) {
  table_->setRowCount(0);
  for (const auto& values : rows) AppendRow(values);
}

std::vector<std::vector<int16_t>> ChannelTable::Rows() const {
  std::vector<std::vector<int16_t>> rows;
  for (int r = 0; r < table_->rowCount(); ++r) {
    std::vector<int16_t>& values = rows.emplace_back();
    for (int c = 0; c < table_->columnCount(); ++c) {
      const QTableWidgetItem* item = table_->item(r, c);
      const int16_t channel = ChannelOfCell(item ? item->text() : QString());
      values.push_back(channel == kNone ? int16_t{-1} : channel);  // a console needs every one
    }
  }
  return rows;
}

void ChannelTable::SelectRow(int row) {
  table_->setFocus();
  table_->selectRow(row);
}

// A new row starts on channel 1 everywhere, ready to be typed over.
void ChannelTable::AddRow() {
  AppendRow({});
  SelectRow(table_->rowCount() - 1);
}

void ChannelTable::RemoveRows() {
  std::vector<int> rows;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  std::sort(rows.rbegin(), rows.rend());
  for (int r : rows) table_->removeRow(r);
}

}  // namespace vyr
