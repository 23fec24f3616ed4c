#include "ui/Dialogs.h"

#include <QDialog>
#include <QMessageBox>

namespace vyr {

Dialogs::Answer QtDialogs::MessageBox(QWidget* parent, const QString& text, Buttons buttons,
                                      Icon icon, const QString& title, Answer byDefault) {
  QMessageBox box(parent);
  box.setWindowTitle(title);
  QString shown = text;
  box.setText(shown.replace(QLatin1Char('\r'), QLatin1Char('\n')).trimmed());
  switch (icon) {
    case Icon::None:
      box.setIcon(QMessageBox::NoIcon);
      break;
    case Icon::Exclamation:
      box.setIcon(QMessageBox::Warning);
      break;
    case Icon::Question:
      box.setIcon(QMessageBox::Question);
      break;
    case Icon::Critical:
      box.setIcon(QMessageBox::Critical);
      break;
  }
  if (buttons == Buttons::OkCancel) {
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  const bool cancel = byDefault == Answer::Cancel && buttons == Buttons::OkCancel;
  box.setDefaultButton(cancel ? QMessageBox::Cancel : QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

int QtDialogs::ShowModal(QDialog& dialog) { return dialog.exec(); }

}  // namespace vyr
