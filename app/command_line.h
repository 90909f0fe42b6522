// The command line as the terminal and the desktop program read it: the
// option grammar (/name=value, -name=value, name=value, separated by blanks
// or commas), and beside it --name=value and --name value, option names in
// any letter case, a first bare word naming an existing file (or "-") as the
// input, and "--" before an input whose name begins with "-". A repeated
// option keeps its last value, unless the option is repeatable.
#pragma once

#include <string>
#include <vector>

#include "support/dictionary.h"

namespace tintext {

enum class OptionKind {
    Text,    // takes a value; --name alone takes the next word
    Number,  // takes a number; --name takes the next word only when it is one
    Switch,  // on or off: alone means on, or =0/=1 (true, false)
    Action,  // stands alone: --list, --quiet
};

struct OptionInfo {
    const char* name;   // lower case
    OptionKind kind;
    const char* value;  // how --help shows the value: "FILE", "0|1|2"; "" for actions
    const char* help;   // --help's description, one paragraph
    // Given more than once, every value counts: they are kept in order,
    // one per line (CommandLine::List).
    bool repeatable = false;
};

// Every option the program knows, in the order --help lists them.
const std::vector<OptionInfo>& KnownOptions();
const OptionInfo* FindOption(const std::string& lowerCaseName);

struct CommandLine {
    // Known options under their lower-case names, each once, with the last
    // value given; unknown names are not in it.
    DictionaryRef options;
    // "option \"x\" given twice ..." and "unknown option ..." lines, in order.
    std::vector<std::string> warnings;
    // Words that are neither an option nor the input (for the usage message).
    std::vector<std::string> notUnderstood;
    // Faults that stop the run before anything is done (exit status 2).
    std::vector<std::string> usageErrors;

    bool Has(const char* name) const;
    std::string Text(const char* name) const;
    // Each value of a repeatable option, in the order given.
    std::vector<std::string> List(const char* name) const;
};

// Reads the arguments as the shell split them (without the program's path).
CommandLine ReadCommandLine(const std::vector<std::string>& args);

}  // namespace tintext
