// Helpers of the shell tests: one QApplication for the program, waiting on the event loop, acting
// on a modal dialog, and the texts of tree items.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <utility>

#include "tests/support/gui_support.h"

namespace shell_test {

using gui_test::App;
using gui_test::SaveShot;

// Runs the event loop until done() holds or the time is up; the result of done().
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 20000) {
  App();
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// Runs `act` once on the modal dialog of type D when it is up (exec() has started its loop); with
// kReject the dialog is rejected afterwards, also when `act` returned early on a failed assertion.
// Keep the object in scope around the call that shows the dialog: its timer dies with it, so a
// dialog that never shows leaves nothing behind to run in a later test.
enum class ThenClose { kNo, kReject };

template <class D>
class WhenModal {
 public:
  explicit WhenModal(std::function<void(D*)> act, ThenClose close = ThenClose::kNo)
      : act_(std::move(act)), close_(close) {
    timer_.setInterval(0);  // every pass of the loop, as soon as the dialog is up
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
      if (!dialog) return;
      timer_.stop();
      acted_ = true;
      act_(dialog);
      if (close_ == ThenClose::kReject) dialog->reject();
    });
    timer_.start();
  }
  WhenModal(const WhenModal&) = delete;
  WhenModal& operator=(const WhenModal&) = delete;

  bool Acted() const { return acted_; }

 private:
  std::function<void(D*)> act_;
  ThenClose close_;
  bool acted_ = false;
  QTimer timer_;
};

inline QStringList TopLevelTexts(const QTreeWidget& tree) {
  QStringList texts;
  for (int i = 0; i < tree.topLevelItemCount(); ++i) texts << tree.topLevelItem(i)->text(0);
  return texts;
}

inline QStringList ChildTexts(const QTreeWidgetItem* item) {
  QStringList texts;
  if (!item) return texts;
  for (int i = 0; i < item->childCount(); ++i) texts << item->child(i)->text(0);
  return texts;
}

inline QTreeWidgetItem* TopLevel(const QTreeWidget& tree, const QString& text) {
  for (int i = 0; i < tree.topLevelItemCount(); ++i)
    if (tree.topLevelItem(i)->text(0) == text) return tree.topLevelItem(i);
  return nullptr;
}

inline QTreeWidgetItem* Child(const QTreeWidgetItem* item, const QString& text) {
  if (!item) return nullptr;
  for (int i = 0; i < item->childCount(); ++i)
    if (item->child(i)->text(0) == text) return item->child(i);
  return nullptr;
}

}  // namespace shell_test
