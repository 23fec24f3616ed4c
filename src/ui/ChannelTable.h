#pragma once
// Switcher channels typed as 1-based numbers and shown with the switcher's
// names: ChannelDelegate draws a cell "12 (STUDIO A)", or "300 (not on
// switcher)", and edits it as digits only. ChannelTable is one tab of the
// setup dialog built on it: a row per console or air chain, Add and Remove.

#include <QStyledItemDelegate>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "core/AppState.h"

class QPushButton;
class QTableWidget;

namespace vyr {

enum class ChannelKind { kOutput, kInput };

// The cell text of a 0-based channel (empty for none) and back.
QString ChannelCell(int16_t channel);
int16_t ChannelOfCell(const QString& cell);
// "12 (STUDIO A)" for the cell "12"; the name left out when it is unknown.
QString ChannelCaption(const AppState& st, ChannelKind kind, const QString& cell);

class ChannelDelegate final : public QStyledItemDelegate {
 public:
  ChannelDelegate(const AppState& st, ChannelKind kind, QObject* parent)
      : QStyledItemDelegate(parent), st_(st), kind_(kind) {}
  QString displayText(const QVariant& value, const QLocale& locale) const override;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;

 private:
  const AppState& st_;
  ChannelKind kind_;
};

class ChannelTable final : public QWidget {
 public:
  struct Column {
    const char* heading;
    ChannelKind kind;
  };
  // `name` names the table; its buttons are cmdAdd<name> and cmdRemove<name>.
  ChannelTable(const AppState& st, const QString& name, std::vector<Column> columns,
               QWidget* parent);

  // Rows of 0-based channels, one value per column.
  void SetRows(const std::vector<std::vector<int16_t>>& rows);
  std::vector<std::vector<int16_t>> Rows() const;
  QTableWidget* Table() const { return table_; }
  void SelectRow(int row);

 private:
  void AddRow();
  void RemoveRows();
  void AppendRow(const std::vector<int16_t>& values);

  QTableWidget* table_;
  QPushButton* add_;
  QPushButton* remove_;
};

}  // namespace vyr
