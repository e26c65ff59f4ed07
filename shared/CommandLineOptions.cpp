#include "shared/CommandLineOptions.h"

namespace {

bool IsOption(const QString& argument) {
  return argument.size() >= 2 && argument.front() == QLatin1Char('-') && !argument.at(1).isDigit();
}

}  // namespace

int ParseCommandLineOptions(CommandLineOptionMap& options, const QStringList& arguments) {
  options.clear();
  QString current;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (IsOption(argument)) {
      current = argument;
      QStringList& values = options[current];  // a repeated option keeps its entry
      if (i + 1 < arguments.size() && !IsOption(arguments[i + 1])) values.append(arguments[++i]);
    } else if (!current.isEmpty()) {
      options[current].append(argument);
    }
  }
  return static_cast<int>(options.size());
}

std::optional<QString> GetRunOption(const CommandLineOptionMap& options) {
  const auto it = options.find(QStringLiteral("-run"));
  if (it == options.end() || it->second.isEmpty()) return std::nullopt;
  return it->second.front();
}
