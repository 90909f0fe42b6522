#include "support/command_line_grammar.h"

#include "support/ascii_text.h"
#include "support/error.h"

namespace tintext {

namespace {

// Reads a quoted run whose opening quote is already consumed; pos ends after
// the closing quote, or at the end of the text.
std::string ReadQuoted(std::string_view text, size_t& pos) {
    std::string out;
    while (pos < text.size()) {
        char c = text[pos];
        if (c == '"') {
            if (pos + 1 < text.size() && text[pos + 1] == '"') {
                out += '"';
                pos += 2;
                continue;
            }
            ++pos;
            break;
        }
        out += c;
        ++pos;
    }
    return out;
}

std::string ReadUntil(std::string_view text, size_t& pos, std::string_view stops) {
    size_t end = text.find_first_of(stops, pos);
    if (end == std::string_view::npos) end = text.size();
    std::string out(text.substr(pos, end - pos));
    pos = end;
    return out;
}

std::string ReadNameOrValue(std::string_view text, size_t& pos, std::string_view stops) {
    if (pos < text.size() && text[pos] == '"') {
        ++pos;
        return ReadQuoted(text, pos);
    }
    return ReadUntil(text, pos, stops);
}

std::string Quoted(std::string_view text) {
    // Appended in turn: GCC 12 warns falsely (-Wrestrict) about the inlined
    // insert of "\"" + a temporary string.
    std::string quoted = "\"";
    quoted += ReplaceAll(text, "\"", "\"\"");
    quoted += '"';
    return quoted;
}

bool HoldsBlank(std::string_view text) { return text.find(' ') != std::string_view::npos; }

// Quotes a part holding a blank unless the user quoted it already.
std::string KeepBlanksInside(std::string_view part) {
    if (!HoldsBlank(part) || part.front() == '"') return std::string(part);
    return Quoted(part);
}

std::string ArgumentText(const std::string& arg) {
    if (!HoldsBlank(arg)) return arg;
    size_t eq = arg.find('=');
    if (eq == std::string::npos) return KeepBlanksInside(arg);
    std::string_view view(arg);
    return KeepBlanksInside(view.substr(0, eq)) + "=" + KeepBlanksInside(view.substr(eq + 1));
}

}  // namespace

std::vector<OptionEntry> SplitOptionText(std::string_view text) {
    std::vector<OptionEntry> entries;
    size_t pos = 0;
    while (pos < text.size()) {
        OptionEntry entry;
        entry.name = TrimBlanks(ReadNameOrValue(text, pos, "=, "));
        if (!entry.name.empty() && (entry.name[0] == '/' || entry.name[0] == '-')) entry.name.erase(0, 1);
        if (pos < text.size() && text[pos] == '=') {
            ++pos;
            entry.value = TrimBlanks(ReadNameOrValue(text, pos, ", "));
        }
        if (pos < text.size() && (text[pos] == ',' || text[pos] == ' ')) ++pos;
        entries.push_back(std::move(entry));
    }
    return entries;
}

DictionaryRef ParseOptionText(std::string_view text, const CollectionFactory& create) {
    auto collection = std::dynamic_pointer_cast<Dictionary>(create("Ostrand.Dictionary"));
    if (!collection) throw RuntimeError(err::TypeMismatch);
    for (auto& entry : SplitOptionText(text)) {
        Value name(entry.name);
        if (!collection->Exists(name)) collection->Add(name, Value(std::move(entry.value)));
    }
    return collection;
}

std::string JoinArguments(const std::vector<std::string>& args) {
    std::string out;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i) out += ' ';
        out += ArgumentText(args[i]);
    }
    return out;
}

}  // namespace tintext
