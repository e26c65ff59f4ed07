// The program's dialogs, by class name: one registry, filled once at start-up, and one runner.
#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

class QDialog;
class QWidget;

namespace dlg {

using DialogArgs = QVariantList;
// Builds, runs and destroys a dialog; gives its result (1 for OK).
using DialogRunner = std::function<int(QWidget* parent, const DialogArgs& args)>;
// Builds a dialog that the runner then runs modally and destroys.
using DialogFactory = std::function<std::unique_ptr<QDialog>(QWidget* parent, const DialogArgs& args)>;

// Registers every dialog of the program; called once at start-up (later calls do nothing).
void RegisterAllDialogs();

void RegisterDialog(const QString& name, DialogFactory factory);
void RegisterDialogRunner(const QString& name, DialogRunner runner);
bool HasDialog(const QString& name);

// Runs the dialog registered as `name` with its arguments: its result, 0 when none has that
// name or it could not be built.
int RunDialogArgs(const QString& name, const DialogArgs& args, QWidget* parent = nullptr);
// One argument as the dialog receives it.
template <class A>
QVariant DialogArg(A&& value) {
  if constexpr (std::is_constructible_v<QVariant, A&&>)
    return QVariant(std::forward<A>(value));
  else
    return QVariant::fromValue(std::forward<A>(value));
}
// The first argument that is a T*, or null: where a runner hands back its dialog's outcome.
template <class T>
T* FindArg(const DialogArgs& args) {
  for (const QVariant& a : args)
    if (a.metaType() == QMetaType::fromType<T*>()) return a.value<T*>();
  return nullptr;
}
template <class... A>
int RunDialog(const QString& name, A&&... args) {
  return RunDialogArgs(name, DialogArgs{DialogArg(std::forward<A>(args))...});
}

}  // namespace dlg
