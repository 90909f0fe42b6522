// Tables of cases kept in tests/data: one case a line, fields split by "|",
// the blanks around a field dropped, lines starting with "#" ignored. In a
// field, \n \r \t \0 and \xHH stand for that character, \<other> (\| \\ \ ...) for the other.
#pragma once

#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tintext::testing {

struct CaseRow {
    std::string where;  // file:line, for the failure message
    std::vector<std::string> fields;
};

inline char Unescaped(char e) { return e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e == '0' ? '\0' : e; }

inline std::vector<CaseRow> ReadCaseTable(const std::string& name) {
    std::ifstream in(std::string(TINTEXT_SOURCE_DIR) + "/tests/data/" + name);
    if (!in) throw std::runtime_error("cannot read tests/data/" + name);
    std::vector<CaseRow> rows;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        CaseRow row{"tests/data/" + name + ":" + std::to_string(number), {""}};
        std::string blanks;  // kept only when more of the field follows
        for (size_t i = 0; i < line.size(); ++i) {
            std::string& field = row.fields.back();
            if (line[i] == '|') {
                row.fields.emplace_back();
                blanks.clear();
            } else if (line[i] == ' ' || line[i] == '\t') {
                if (!field.empty()) blanks += line[i];
            } else {
                field += blanks;
                blanks.clear();
                if (line[i] != '\\' || i + 1 == line.size()) field += line[i];
                else if (line[++i] != 'x') field += Unescaped(line[i]);
                else field += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16)), i += 2;
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace tintext::testing
