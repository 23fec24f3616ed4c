#pragma once
// Every message box and modal dialog of the windows goes through here, so
// that widget tests can answer them without a person. Texts are the
// program's own; a carriage return in them starts a new line.

#include <QString>

class QDialog;
class QWidget;

namespace vyr {

class Dialogs {
 public:
  enum class Icon { None, Exclamation, Question, Critical };
  enum class Buttons { Ok, OkCancel };
  enum class Answer { Ok, Cancel };

  virtual ~Dialogs() = default;
  // `byDefault`: the answer Enter gives (Cancel for a question whose Ok
  // cannot be undone).
  virtual Answer MessageBox(QWidget* parent, const QString& text, Buttons buttons, Icon icon,
                            const QString& title, Answer byDefault = Answer::Ok) = 0;
  // Shows the dialog modally and returns its result code once it closes.
  virtual int ShowModal(QDialog& dialog) = 0;
};

// The real thing: QMessageBox and QDialog::exec.
class QtDialogs final : public Dialogs {
 public:
  Answer MessageBox(QWidget* parent, const QString& text, Buttons buttons, Icon icon,
                    const QString& title, Answer byDefault = Answer::Ok) override;
  int ShowModal(QDialog& dialog) override;
};

}  // namespace vyr
