// A fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace tintext::testing {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tintext-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ec;
        // Folders a test made read-only must be writable again to be removed.
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ec))
            if (entry.is_directory(ec)) std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

    // Writes bytes to the named file and returns its path.
    std::string Write(std::string_view name, std::string_view bytes) const {
        std::string file = *this / name;
        std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file;
    }

    // Writes `text` as the file `name`, except that a line ">> other.hld"
    // starts the text of another file beside it (a definition and those it
    // takes in); returns the path of the first.
    std::string WriteFiles(std::string_view name, std::string_view text) const {
        std::string first;
        std::string current(name);
        for (size_t start = 0;;) {
            size_t marker = text.find("\n>> ", start);
            Write(current, text.substr(start, marker == std::string_view::npos ? std::string_view::npos : marker - start));
            if (first.empty()) first = *this / name;
            if (marker == std::string_view::npos) return first;
            const size_t lineEnd = std::min(text.find('\n', marker + 1), text.size());
            current = text.substr(marker + 4, lineEnd - marker - 4);
            start = std::min(lineEnd + 1, text.size());
        }
    }

private:
    std::string path_;
};

inline std::string ReadBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace tintext::testing
