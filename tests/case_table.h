// Tables of cases kept in tests/data: one case a line, fields split by "|",
// the blanks around a field dropped, lines starting with "#" ignored. In a
// field, \n \r \t \0 \xHH and \<other> (\| \\ \ and so on) stand for that character.
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
            char c = line[i];
            std::string& field = row.fields.back();
            if (c == '|') {
                row.fields.emplace_back();
                blanks.clear();
            } else if (c == ' ' || c == '\t') {
                if (!field.empty()) blanks += c;
            } else {
                field += blanks;
                blanks.clear();
                if (c != '\\' || i + 1 == line.size()) {
                    field += c;
                    continue;
                }
                switch (char e = line[++i]) {
                    case 'n': field += '\n'; break;
                    case 'r': field += '\r'; break;
                    case 't': field += '\t'; break;
                    case '0': field += '\0'; break;
                    case 'x': field += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16)), i += 2; break;
                    default: field += e;
                }
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace tintext::testing
