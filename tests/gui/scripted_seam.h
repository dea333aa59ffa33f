// A DialogSeam for the widget tests: answers questions and file dialogs from
// queues, drives modal dialogs with scripted functions, and records every
// text it was shown. Anything asked without a scripted answer fails the test.
#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "ui/dialog_seam.h"

class ScriptedSeam : public varnalux::DialogSeam {
 public:
  // Runs inside the dialog's modal loop, once it is shown. A dialog the
  // driver leaves open is rejected afterwards (as by its close box).
  using Driver = std::function<void(QDialog&)>;

  QStringList messages;                 // every Message text, in order
  std::vector<QWidget*> messageOwners;  // per message: the dialog it spoke for, or null
  QStringList questions;                // every Question, YesNo and Confirm text, in order
  std::vector<QWidget*> questionOwners;  // per question: the dialog it spoke for, or null
  QStringList confirmations;            // the Confirm texts (Cancel the default), in order
  QStringList filters;                  // the filter of every file dialog
  QStringList dialogs;                  // the caption of every dialog run
  std::vector<int> results;             // what each Exec returned
  QStringList urls;                     // every URL opened, in order
  // For OpenUrlChecked: whether a browser takes each URL; true when empty.
  std::deque<bool> urlsTaken;

  std::deque<bool> answers;       // for Question, YesNo and Confirm
  std::deque<QString> fileNames;  // for OpenFileName and SaveFileName
  std::deque<Driver> drivers;     // for Exec
  // For ChooseFont: a font is chosen, nullopt cancels. fontsOffered records
  // the font each chooser opened on.
  std::deque<std::optional<QFont>> fonts;
  std::vector<QFont> fontsOffered;
  // Runs while a question is shown, before it is answered (what the user
  // does in the meantime).
  std::function<void()> whileAsking;

  void Message(const QString& text) override {
    messages << text;
    messageOwners.push_back(nullptr);
  }

  void MessageFrom(QWidget* owner, const QString& text) override {
    messages << text;
    messageOwners.push_back(owner);
  }

  bool Question(const QString& text) override {
    questions << text;
    questionOwners.push_back(nullptr);
    return NextAnswer(text);
  }

  bool YesNo(const QString& text) override {
    questions << text;
    questionOwners.push_back(nullptr);
    return NextAnswer(text);
  }

  bool YesNoFrom(QWidget* owner, const QString& text) override {
    questions << text;
    questionOwners.push_back(owner);
    return NextAnswer(text);
  }

  bool Confirm(const QString& text) override {
    questions << text;
    questionOwners.push_back(nullptr);
    confirmations << text;
    return NextAnswer(text);
  }

  QString OpenFileName(const QString& filter) override {
    filters << filter;
    return NextFileName();
  }

  QString SaveFileName(const QString& filter, const QString&) override {
    filters << filter;
    return NextFileName();
  }

  bool ChooseFont(QFont& font) override {
    fontsOffered.push_back(font);
    if (fonts.empty()) {
      ADD_FAILURE() << "unscripted font dialog";
      return false;
    }
    std::optional<QFont> answer = std::move(fonts.front());
    fonts.pop_front();
    if (!answer) return false;
    font = *answer;
    return true;
  }

  int Exec(QDialog& dialog) override {
    dialogs << dialog.windowTitle();
    if (drivers.empty()) {
      ADD_FAILURE() << "unscripted dialog: " << dialog.windowTitle().toStdString();
      results.push_back(QDialog::Rejected);
      return QDialog::Rejected;
    }
    Driver driver = std::move(drivers.front());
    drivers.pop_front();
    QTimer::singleShot(0, &dialog, [&dialog, driver] {
      driver(dialog);
      if (dialog.isVisible()) dialog.reject();
    });
    const int result = dialog.exec();
    results.push_back(result);
    return result;
  }

  // Open dialogs that name their folder: the folder of each, in order.
  QStringList directories;
  QString OpenFileNameIn(const QString& filter, const QString& directory) override {
    directories << directory;
    return OpenFileName(filter);
  }

  void OpenUrl(const QString& url) override { urls << url; }
  bool OpenUrlChecked(const QString& url) override {
    urls << url;
    if (urlsTaken.empty()) return true;
    const bool taken = urlsTaken.front();
    urlsTaken.pop_front();
    return taken;
  }

 private:
  bool NextAnswer(const QString& text) {
    if (whileAsking) whileAsking();
    if (answers.empty()) {
      ADD_FAILURE() << "unscripted question: " << text.toStdString();
      return false;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }

  QString NextFileName() {
    if (fileNames.empty()) {
      ADD_FAILURE() << "unscripted file dialog";
      return QString();
    }
    QString name = fileNames.front();
    fileNames.pop_front();
    return name;
  }
};
