#include "app/command_line.h"

#include <sys/stat.h>

#include <algorithm>

#include "support/ascii_text.h"
#include "support/command_line_grammar.h"
#include "support/components.h"
#include "support/conversions.h"
#include "support/edit_distance.h"
#include "support/error.h"

namespace tintext {

namespace {

constexpr const char* kStandardStream = "-";
// Between the values of a repeatable option: no glob or path on a command line holds it.
constexpr char kListSeparator = '\n';

bool IsExistingFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

// A word that is no option: it does not begin with "-" (but may be "-"
// itself) and holds no "=". A path beginning with "/" counts when it names a file.
bool IsBareWord(const std::string& word) {
    if (word == kStandardStream) return true;
    return !word.empty() && word[0] != '-' && word.find('=') == std::string::npos;
}

// /name and -name, as opposed to a path such as /home/x.asp.
bool LooksLikeOption(const std::string& word) {
    return word.starts_with("-") || (word.starts_with("/") && word.find('/', 1) == std::string::npos);
}

// A value that --name may take from the next word: anything but an option.
bool CanBeValue(const std::string& word) { return word == kStandardStream || (!word.empty() && word[0] != '-'); }

bool IsNumberOrTruth(const std::string& word) {
    const std::string lower = ToLowerAscii(word);
    if (lower == "true" || lower == "false") return true;
    return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> OptionNames() {
    std::vector<std::string> names;
    for (const OptionInfo& option : KnownOptions()) names.push_back(option.name);
    return names;
}

class Reader {
public:
    explicit Reader(CommandLine& result) : r_(result) {}

    void Read(const std::vector<std::string>& args) {
        bool onlyInput = false;  // after "--"
        for (size_t i = 0; i < args.size(); ++i) {
            const std::string& word = args[i];
            if (onlyInput) {
                TakeInputOrNot(word);
            } else if (word == "--") {
                onlyInput = true;
            } else if (!inputGiven_ && IsBareWord(word) && (word == kStandardStream || IsExistingFile(word))) {
                Add("in", word, word);
            } else if (word.starts_with("--") && word.find('=') == std::string::npos) {
                ReadLongOption(args, i);
            } else {
                ReadEntries(word);
            }
        }
    }

private:
    CommandLine& r_;
    bool inputGiven_ = false;

    void TakeInputOrNot(const std::string& word) {
        if (!inputGiven_) {
            Add("in", word, word);
        } else {
            NotUnderstood(word, "");
        }
    }

    // --name alone, or --name followed by its value as the next word.
    void ReadLongOption(const std::vector<std::string>& args, size_t& i) {
        const std::string name = ToLowerAscii(args[i].substr(2));
        const OptionInfo* option = FindOption(name);
        const bool hasNext = i + 1 < args.size();
        if (option && option->kind == OptionKind::Text) {
            if (!hasNext || !CanBeValue(args[i + 1])) {
                r_.usageErrors.push_back("the option --" + name + " needs a value: --" + name + " " + option->value +
                                         " or --" + name + "=" + option->value);
                return;
            }
            Add(name, args[i + 1], args[i]);
            ++i;
            return;
        }
        if (option && (option->kind == OptionKind::Number || option->kind == OptionKind::Switch) && hasNext &&
            IsNumberOrTruth(args[i + 1])) {
            Add(name, args[i + 1], args[i]);
            ++i;
            return;
        }
        ReadEntries(args[i]);
    }

    // The entries of one word. Commas separate options, so in
    // /highlight=3,10-12 the items after the first come as entries without a
    // value: they carry on the list.
    void ReadEntries(const std::string& word) {
        bool inList = false;
        for (const OptionEntry& entry : SplitOptionText(JoinArguments({word}))) {
            if (inList && entry.value.empty() && !entry.name.empty()) {
                const Value key("highlight");
                r_.options->Set(key, Value(SafeCStr(r_.options->Item(key)) + "," + entry.name));
                continue;
            }
            inList = ToLowerAscii(entry.name.starts_with("-") ? entry.name.substr(1) : entry.name) == "highlight";
            ReadEntry(entry, word);
        }
    }

    void ReadEntry(OptionEntry entry, const std::string& word) {
        // The grammar drops one "/" or "-"; --name keeps the second.
        if (entry.name.starts_with("-")) entry.name.erase(0, 1);
        if (entry.name.empty()) {
            // Runs of separators give empty entries; a value alone lost its name.
            if (!entry.value.empty()) NotUnderstood("=" + entry.value, "a value without an option name");
            return;
        }
        const std::string name = ToLowerAscii(entry.name);
        if (!FindOption(name)) {
            if (IsBareWord(word) && !LooksLikeOption(word)) {
                NotUnderstood(word, "");  // a file name, most likely
            } else {
                UnknownOption(entry.name, word);
            }
            return;
        }
        Add(name, entry.value, word);
    }

    void Add(const std::string& name, const std::string& value, const std::string& word) {
        if (name == "in") inputGiven_ = true;
        const Value key(name);
        const OptionInfo* option = FindOption(name);
        if (option && option->repeatable && r_.options->Exists(key)) {
            r_.options->Set(key, Value(SafeCStr(r_.options->Item(key)) + kListSeparator + value));
            return;
        }
        if (r_.options->Exists(key)) {
            r_.warnings.push_back("the option \"" + name + "\" is given more than once; the last (" + word +
                                  ") counts");
        }
        r_.options->Set(key, Value(value));
    }

    void UnknownOption(const std::string& name, const std::string& word) {
        std::string why = "unknown option \"" + name + "\" ignored";
        const std::vector<std::string> near = NearestWords(name, OptionNames(), 1, true);
        if (!near.empty()) why += "; did you mean \"" + near.front() + "\"?";
        if (word.starts_with("-") && IsExistingFile(word)) {
            why += " (an input named " + word + " is written ./" + word + " or after --)";
        }
        r_.warnings.push_back(why);
        r_.notUnderstood.push_back(word);
    }

    void NotUnderstood(const std::string& word, const std::string& why) {
        r_.warnings.push_back("\"" + word + "\" ignored: " +
                              (why.empty() ? (IsExistingFile(word) ? "the input is given already"
                                                                   : "not an option, and no such file")
                                           : why));
        r_.notUnderstood.push_back(word);
    }
};

}  // namespace

const std::vector<OptionInfo>& KnownOptions() {
    static const std::vector<OptionInfo> options = {
        {"in", OptionKind::Text, "FILE",
         "the input file; - reads standard input. The first word that names an existing file is the "
         "input too (tintext page.asp). A folder: every file of its tree that a definition serves is "
         "converted (see out, include, exclude, jobs, force, all)"},
        {"out", OptionKind::Text, "FILE",
         "the output HTML file; - writes standard output. Default: the input's name with .htm for its "
         "extension, beside it (standard output for standard input). For a folder input, the folder that "
         "receives DEST/<path in the tree>.htm (inc/db.asp gives inc/db.asp.htm); required"},
        {"include", OptionKind::Text, "GLOB",
         "folder input: convert only files whose path in the tree matches (repeatable). * and ? stay "
         "within one folder name, ** spans folders; a pattern without / matches the file's name at any "
         "depth",
         true},
        {"exclude", OptionKind::Text, "GLOB",
         "folder input: leave out files and folders whose path in the tree matches (repeatable; as "
         "include). Hidden folders (.git and the like) and what a .gitignore of the tree lists are left "
         "out always; hidden files (.htaccess) too, unless an include pattern names their dot "
         "(/include=.htaccess)",
         true},
        {"jobs", OptionKind::Number, "N",
         "folder input: files converted at once. Default: the number of online processors"},
        {"force", OptionKind::Switch, "0|1",
         "folder input: 1 converts again files whose page is newer than both the file and its "
         "definition (by default they are skipped as up to date)"},
        {"all", OptionKind::Switch, "0|1",
         "folder input: 1 also converts files that no definition serves, as plain text"},
        {"hld", OptionKind::Text, "FILE",
         "the syntax definition (.hld); a name without a folder is a file of the current folder when there "
         "is one, else one of hldfolder. Default: chosen by the input's name (see --list), else plain text"},
        {"lang", OptionKind::Text, "NAME",
         "the definition for a language, by name or extension (/lang=python, /lang=vbscript, /lang=bas)"},
        {"hldfolder", OptionKind::Text, "FOLDER",
         "the folder of syntax definitions. Default: hld beside the program, or "
         "<prefix>/share/tintext/hld when installed"},
        {"overwrite", OptionKind::Number, "0|1|2",
         "an existing output file: 0 is kept (default), 1 is replaced, 2 asks on the terminal (No when "
         "there is none)"},
        {"dostext", OptionKind::Number, "0|1",
         "1: the input is DOS (OEM) text, code page 437 unless codepage names 850, 866 or another"},
        {"codepage", OptionKind::Text, "PAGE",
         "the input's code page, a number or a name: 936 or gbk, 950 or big5, 932 or shift_jis, 949 or "
         "euc-kr, 1250 to 1258 or windows-1251 and the like, iso-8859-1, -2, -15, koi8-r, utf-8, utf-16, "
         "437 or cp437, 850, 866. auto (the default, or the stored CodePage setting): a byte-order mark, "
         "else UTF-8 when the input is valid UTF-8, else the page's own declaration (CodePage directive, "
         "meta charset, XML encoding), else a confident guess, else windows-1252"},
        {"showoutput", OptionKind::Switch, "0|1",
         "1: open the output in the browser afterwards. From a terminal or a script only when asked; a "
         "run without a terminal (from a file manager) opens it unless 0, when the stored ShowOutput allows"},
        {"check", OptionKind::Text, "FILE.hld",
         "check a syntax definition and print each problem as file:line: message (lines counted from 1)"},
        {"theme", OptionKind::Text, "NAME",
         "the page's colours: auto (the default: light, or dark where the reader's system prefers it), light, "
         "dark, high-contrast"},
        {"fragment", OptionKind::Switch, "0|1",
         "1: a <div class=\"tintext\"> to embed in another page instead of a whole page; its stylesheet's "
         "rules are scoped under .tintext"},
        {"css", OptionKind::Text, "none|embed", "none: leave the <style> out (link the file --print-css writes)"},
        {"inline", OptionKind::Switch, "0|1", "1: style attributes instead of classes, for e-mail (auto gives light)"},
        {"linenumbers", OptionKind::Switch, "0|1",
         "1: a number beside each line, not copied with the text; each line is an anchor #L<n> that its "
         "number links to"},
        {"highlight", OptionKind::Text, "LINES", "lines to mark, such as 3,10-12"},
        {"wrap", OptionKind::Switch, "0|1", "1: long lines wrap (by default they scroll)"},
        {"list", OptionKind::Action, "", "list the languages: name, definition file, the files served"},
        {"print-css", OptionKind::Action, "",
         "write the stylesheet alone (--print-css=THEME: of that theme), for a site that links one file and "
         "converts with /css=none"},
        {"quiet", OptionKind::Switch, "", "no progress bar and no notes; failures are still told"},
        {"verbose", OptionKind::Switch, "", "also tell the definition, encoding and output chosen, the time taken"},
        {"help", OptionKind::Action, "", "print this text"},
        {"version", OptionKind::Action, "", "print the program's name and version"},
    };
    return options;
}

const OptionInfo* FindOption(const std::string& lowerCaseName) {
    for (const OptionInfo& option : KnownOptions())
        if (lowerCaseName == option.name) return &option;
    return nullptr;
}

bool CommandLine::Has(const char* name) const { return options->Exists(Value(name)); }

std::string CommandLine::Text(const char* name) const { return SafeCStr(options->Item(Value(name))); }

std::vector<std::string> CommandLine::List(const char* name) const {
    std::vector<std::string> values;
    if (!Has(name)) return values;
    const std::string text = Text(name);
    for (size_t start = 0;;) {
        const size_t end = text.find(kListSeparator, start);
        values.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return values;
        start = end + 1;
    }
}

CommandLine ReadCommandLine(const std::vector<std::string>& args) {
    CommandLine result;
    // The maker's collection, as the option grammar's own reading makes it.
    result.options = std::dynamic_pointer_cast<Dictionary>(CreateObjectEx("Ostrand.Dictionary"));
    if (!result.options) throw RuntimeError(err::TypeMismatch);
    Reader(result).Read(args);
    return result;
}

}  // namespace tintext
