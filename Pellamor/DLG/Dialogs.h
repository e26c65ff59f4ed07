// The program's dialogs, by class name: one registry, filled once at start-up, and one runner.
//
// Each dialog class has a typed entry, called directly by the shell's own code:
//
//   struct Args { ... };                                      // what it is given
//   static std::optional<Result> Open(QWidget* parent, const Args& args);   // or another typed result
//
// The registry only adapts the command table's names (and the picker's menu items) to those
// entries: the class also has
//
//   static Args ArgsFrom(const dlg::DialogArgs& values);      // the registry's values, decoded once
//
// and joins with dlg::RegisterTyped<CClass>("CClass"). The runner then gives 1 for an answer and 0
// for none (or the entry's own int; a result type may say otherwise with a RunnerCode overload found
// by argument-dependent lookup), and copies an answer into the first Result* among the values.
//
// The shell calls a dialog as dlg::Open<CClass>(parent, args); a test stands in for the dialog with
// dlg::ScopedReplacement<CClass>, which the name's runner reaches too.
#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>
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

// Decoding the registry's values; a value that is absent or of another kind gives the fallback.
int IntArg(const DialogArgs& values, int index, int fallback = 0);
QString StringArg(const DialogArgs& values, int index);
// A drive letter given as a text (its first character) or as a character code; 0 for none.
char LetterArg(const DialogArgs& values, int index);

// The runner's result for a typed entry's answer.
inline int RunnerCode(int result, const DialogArgs&) { return result; }
inline int RunnerCode(bool result, const DialogArgs&) { return result ? 1 : 0; }
template <class R>
int RunnerCode(const std::optional<R>& result, const DialogArgs& values) {
  if (!result) return 0;
  if constexpr (std::is_copy_assignable_v<R>)
    if (R* out = FindArg<R>(values)) *out = *result;
  return 1;
}

// The signature of a dialog class's typed entry.
template <class Dialog>
using EntrySignature = std::remove_pointer_t<decltype(&Dialog::Open)>;

// What stands in for a dialog's entry; empty for the dialog itself.
template <class Dialog>
std::function<EntrySignature<Dialog>>& Replacement() {
  static std::function<EntrySignature<Dialog>> replacement;
  return replacement;
}

// Runs a dialog through its typed entry (or the replacement a test installed).
template <class Dialog, class Args>
auto Open(QWidget* parent, const Args& args) {
  if (const auto& replacement = Replacement<Dialog>()) return replacement(parent, args);
  return Dialog::Open(parent, args);
}

// Replaces a dialog's entry while it lives.
template <class Dialog>
class ScopedReplacement {
 public:
  explicit ScopedReplacement(std::function<EntrySignature<Dialog>> entry) : previous_(Replacement<Dialog>()) {
    Replacement<Dialog>() = std::move(entry);
  }
  ~ScopedReplacement() { Replacement<Dialog>() = std::move(previous_); }
  ScopedReplacement(const ScopedReplacement&) = delete;
  ScopedReplacement& operator=(const ScopedReplacement&) = delete;

 private:
  std::function<EntrySignature<Dialog>> previous_;
};

// Joins a dialog class's typed entry to the registry under `name`.
template <class Dialog>
void RegisterTyped(const QString& name) {
  RegisterDialogRunner(name, [](QWidget* parent, const DialogArgs& values) {
    return RunnerCode(Open<Dialog>(parent, Dialog::ArgsFrom(values)), values);
  });
}

}  // namespace dlg
