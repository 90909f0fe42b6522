// The grammar of option text (/name=value, -name=value or name=value,
// separated by blanks or commas, names and values optionally in double quotes
// with doubled quotes inside), shared by System::ParseCommandline and
// Strings::ParseParameters, and the rebuilding of that one text from the
// arguments the shell has already split.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "support/dictionary.h"
#include "support/value.h"

namespace tintext {

struct OptionEntry {
    std::string name;
    std::string value;
    bool operator==(const OptionEntry&) const = default;
};

// Reads the text from the left, one entry per pass, until nothing is left:
//  1. name: a quoted run (doubled quotes give one quote; the end of the text
//     also ends it) or everything up to the first "=", comma or blank;
//  2. the name is trimmed of blanks and loses one leading "/" or "-";
//  3. after "=", a value: a quoted run, or everything up to the first comma or
//     blank (so it may hold "="); trimmed of blanks; without "=" it is empty;
//  4. one comma or blank after the entry is dropped.
// The tab is an ordinary character. Never fails: every character ends up in a
// name, a value, or a dropped separator or quote, so runs of separators give
// entries with an empty name.
std::vector<OptionEntry> SplitOptionText(std::string_view text);

using CollectionFactory = std::function<ObjectRef(const std::string& progId)>;

// Creates the collection as "Ostrand.Dictionary" with `create` (the caller
// chooses whether a failure is reported) and adds the entries in order. A name
// that is already present keeps its first value: the later entry is dropped.
// Raises 13 when the factory gives something other than a keyed collection.
DictionaryRef ParseOptionText(std::string_view text, const CollectionFactory& create);

// The one argument text that the grammar reads, rebuilt from the arguments the
// shell split (without the program's own path): arguments are joined with
// blanks; an argument that holds a blank is quoted so that the blank stays
// inside it ("/in=my file.asp" becomes /in="my file.asp", inner quotes
// doubled); a part the user already quoted is left as written. Commas in an
// argument without blanks still separate options; in an argument with a blank
// the whole value is quoted, commas included, since file names may hold both.
std::string JoinArguments(const std::vector<std::string>& args);

}  // namespace tintext
