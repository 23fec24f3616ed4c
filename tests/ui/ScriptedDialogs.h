#pragma once
// Answers message boxes and drives modal dialogs the way a test tells it.
// Every box shown is recorded; an unanswered box gets Ok. A dialog without a
// driver is shown, then rejected.

#include <QDialog>
#include <deque>
#include <functional>
#include <vector>

#include "ui/Dialogs.h"

namespace vyr::test {

class ScriptedDialogs final : public Dialogs {
 public:
  struct Box {
    QString text;
    QString title;
    Buttons buttons;
    Icon icon;
    Answer byDefault;
    bool operator==(const Box&) const = default;
  };

  std::vector<Box> boxes;
  std::deque<Answer> answers;
  std::deque<std::function<void(QDialog&)>> drivers;
  std::vector<QString> dialogsShown;  // object names, in order

  Answer MessageBox(QWidget*, const QString& text, Buttons buttons, Icon icon, const QString& title,
                    Answer byDefault = Answer::Ok) override {
    boxes.push_back({text, title, buttons, icon, byDefault});
    if (answers.empty()) return Answer::Ok;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }

  int ShowModal(QDialog& dialog) override {
    dialogsShown.push_back(dialog.objectName());
    dialog.show();
    if (!drivers.empty()) {
      auto drive = std::move(drivers.front());
      drivers.pop_front();
      drive(dialog);
    }
    if (dialog.isVisible()) dialog.reject();
    return dialog.result();
  }
};

}  // namespace vyr::test
