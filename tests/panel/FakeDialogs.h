#pragma once
// Answers the program's message boxes and file dialogs for tests, and
// remembers what was shown.

#include <QString>
#include <QStringList>
#include <functional>
#include <ostream>
#include <optional>
#include <vector>

#include "panel/Application.h"
#include "panel/UserDialogs.h"

// Readable failure messages for Qt's strings.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace sondrel {

class FakeDialogs : public UserDialogs {
 public:
  struct Shown {
    QString title;
    QString text;
  };
  std::vector<Shown> errors;
  std::vector<Shown> messages;
  std::vector<QString> applicationErrors;
  std::function<void(const QString&)> onMessage;  // runs while a message box would be open
  std::vector<FileDialogSpec> fileDialogs;  // every file dialog asked for
  std::optional<QString> nextFile;          // the answer to the next file dialog; nothing = cancel

  FakeDialogs() { SetDialogs(this); }
  ~FakeDialogs() override { SetDialogs(nullptr); }

  void ShowError(QWidget*, const QString& text) override { errors.push_back({ApplicationTitle(), text}); }
  void ShowApplicationError(const QString& text) override { applicationErrors.push_back(text); }
  void ShowMessage(QWidget*, const QString& text) override {
    messages.push_back({ApplicationTitle(), text});
    if (onMessage) onMessage(text);
  }
  std::optional<QString> GetOpenFileName(QWidget*, const FileDialogSpec& request) override { return Answer(request); }
  std::optional<QString> GetSaveFileName(QWidget*, const FileDialogSpec& request) override { return Answer(request); }

  QStringList ErrorTexts() const {
    QStringList texts;
    for (const Shown& shown : errors) texts << shown.text;
    return texts;
  }

 private:
  std::optional<QString> Answer(const FileDialogSpec& request) {
    fileDialogs.push_back(request);
    std::optional<QString> answer = nextFile;
    nextFile.reset();
    return answer;
  }
};

}  // namespace sondrel
