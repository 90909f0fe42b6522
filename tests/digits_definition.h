// A small definition and a folder of files, shared by the job and program tests.
#pragma once

#include <filesystem>
#include <string>

#include "temp_folder.h"

namespace tintext::testing {

// Digits in bold, everything else copied: "a 12" gives kDigitsOut.
inline constexpr const char* kDigitsHld =
    "[Main]\n"
    "HEADER-HTML=<pre>\n"
    "FOOTER-HTML=</pre>\n"
    "PATTERN=\\d+\n"
    "FORMAT-HTML=<b>$$</b>\n"
    "PATTERN=[\\s\\S]\n"
    "FORMAT-HTML=$$\n";
inline constexpr const char* kDigitsOut = "<pre>a&nbsp;<b>12</b></pre>";

// A temporary folder whose files are named relative to it; Put makes missing folders.
struct Files : TempFolder {
    std::string P(const std::string& name) const { return *this / name; }
    void Put(const std::string& name, const std::string& bytes) const {
        std::filesystem::create_directories(std::filesystem::path(P(name)).parent_path());
        Write(name, bytes);
    }
    std::string Get(const std::string& name) const { return ReadBytes(P(name)); }
    bool Has(const std::string& name) const { return std::filesystem::exists(P(name)); }
};

}  // namespace tintext::testing
