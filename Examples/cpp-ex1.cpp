// inventory.cpp - a small inventory with templates, lambdas and raw strings.
// Sample input for the C++ definition.
#include <algorithm>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace shop {

template <typename T>
concept Priced = requires(T t) { { t.price() } -> std::convertible_to<double>; };

class Item final {
public:
    Item(std::string name, double price, int stock) noexcept
        : name_(std::move(name)), price_(price), stock_(stock) {}
    [[nodiscard]] double price() const { return price_; }
    const std::string& name() const { return name_; }
    virtual ~Item() = default;
private:
    std::string name_;
    double price_ = 0.0;
    int stock_ {0};
};

constexpr auto kMaxItems = 1'000'000ULL;
constexpr std::uint32_t kMask = 0xFF'FF'00'00u;

template <Priced T>
double total(const std::vector<T>& items) {
    double sum = 0;
    for (const auto& it : items) sum += it.price();
    return sum;
}

}  // namespace shop

int main() {
    using namespace shop;
    std::vector<Item> items{{"pen", 1.5, 10}, {"book", 12.99, 3}};
    std::sort(items.begin(), items.end(),
              [](const Item& a, const Item& b) { return a.price() < b.price(); });
    const char* json = R"({"name": "pen", "note": "a \"quoted\" word"})";
    const char* sql = R"sql(SELECT * FROM items WHERE name LIKE '%)pen%';)sql";
    std::map<std::string, int> counts;
    ++counts["pen"];
    std::cout << "Total: " << shop::total(items) << '\n' << json << sql << std::endl;
    return items.size() > 1 ? 0 : 1;
}
