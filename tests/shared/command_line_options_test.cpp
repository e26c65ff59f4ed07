#include <gtest/gtest.h>

#include <vector>

#include "shared/CommandLineOptions.h"

namespace {

struct Expected {
  const char* name;
  std::vector<const char*> values;
};

struct Case {
  const char* what;
  std::vector<const char*> arguments;  // after the program name
  std::vector<Expected> options;       // in name order
};

QStringList Arguments(const std::vector<const char*>& args) {
  QStringList list{QStringLiteral("Byteloom")};
  for (const char* a : args) list.append(QString::fromUtf8(a));
  return list;
}

TEST(CommandLineOptions, ParsesOptionsAndTheirValues) {
  const std::vector<Case> cases = {
      {"run gui", {"-run", "gui"}, {{"-run", {"gui"}}}},
      {"values before the first option are dropped", {"a", "-x", "1", "2", "-y"}, {{"-x", {"1", "2"}}, {"-y", {}}}},
      {"a negative number is a value", {"-x", "-5"}, {{"-x", {"-5"}}}},
      {"a lone dash is a value", {"-x", "-", "-y", "-"}, {{"-x", {"-"}}, {"-y", {"-"}}}},
      {"a repeated option appends", {"-x", "1", "-x", "2", "3"}, {{"-x", {"1", "2", "3"}}}},
      {"a repeated option without values", {"-x", "1", "-y", "-x"}, {{"-x", {"1"}}, {"-y", {}}}},
      {"names are case-sensitive", {"-Run", "a", "-run", "b"}, {{"-Run", {"a"}}, {"-run", {"b"}}}},
      {"five options", {"-a", "-b", "-c", "-d", "-e"}, {{"-a", {}}, {"-b", {}}, {"-c", {}}, {"-d", {}}, {"-e", {}}}},
      {"no arguments", {}, {}},
      {"only values", {"gui", "-5"}, {}},
  };
  for (const Case& c : cases) {
    CommandLineOptionMap options{{QStringLiteral("-stale"), {QStringLiteral("1")}}};
    const int count = ParseCommandLineOptions(options, Arguments(c.arguments));
    EXPECT_EQ(count, static_cast<int>(c.options.size())) << c.what;
    ASSERT_EQ(options.size(), c.options.size()) << c.what;
    auto it = options.begin();
    for (const Expected& e : c.options) {
      EXPECT_EQ(it->first, QString::fromUtf8(e.name)) << c.what;
      QStringList values;
      for (const char* v : e.values) values.append(QString::fromUtf8(v));
      EXPECT_EQ(it->second, values) << c.what << " " << e.name;
      ++it;
    }
  }
}

TEST(CommandLineOptions, RunOptionNeedsAValue) {
  CommandLineOptionMap options;
  ParseCommandLineOptions(options, Arguments({"-run", "GUI", "x"}));
  EXPECT_EQ(GetRunOption(options), QStringLiteral("GUI"));
  ParseCommandLineOptions(options, Arguments({"-run"}));
  EXPECT_EQ(GetRunOption(options), std::nullopt);
  ParseCommandLineOptions(options, Arguments({"-go", "gui"}));
  EXPECT_EQ(GetRunOption(options), std::nullopt);
}

}  // namespace
