#include "support/edit_distance.h"

#include <algorithm>
#include <cstdint>

#include "support/ascii_text.h"

namespace tintext {

size_t EditDistance(std::string_view a, std::string_view b) {
    // One row of the classic table at a time.
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::vector<std::string> NearestWords(std::string_view word, const std::vector<std::string>& candidates,
                                      size_t count, bool typingMistakesOnly) {
    const std::string lowered = ToLowerAscii(word);
    std::vector<std::pair<size_t, std::string>> near;
    for (const std::string& candidate : candidates) {
        const size_t limit = typingMistakesOnly ? std::clamp<size_t>(candidate.size() / 3, 1, 3) : SIZE_MAX;
        const size_t distance = EditDistance(lowered, ToLowerAscii(candidate));
        const bool known = std::any_of(near.begin(), near.end(), [&](const auto& n) { return n.second == candidate; });
        if (distance <= limit && !known) near.emplace_back(distance, candidate);
    }
    std::stable_sort(near.begin(), near.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<std::string> nearest;
    for (size_t i = 0; i < near.size() && i < count; ++i) nearest.push_back(near[i].second);
    return nearest;
}

}  // namespace tintext
