// Command line of the stand-alone programs: options that begin with "-", each followed by its
// values ("-run gui").
#pragma once

#include <QString>
#include <QStringList>

#include <map>
#include <optional>

// Option name (with its "-", case-sensitive) to its values, in name order.
using CommandLineOptionMap = std::map<QString, QStringList>;

// Parses the arguments after the program name (arguments[0]) into the map, which is emptied first;
// gives the number of options. "-5" and "-" are values, not options. A repeated option appends its
// values to the entry it already has; values before the first option are dropped.
int ParseCommandLineOptions(CommandLineOptionMap& options, const QStringList& arguments);

// The first value of "-run"; none when "-run" is missing or has no value.
std::optional<QString> GetRunOption(const CommandLineOptionMap& options);
