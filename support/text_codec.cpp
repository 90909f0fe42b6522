#include "support/text_codec.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "support/error.h"
#include "support/utf8.h"

namespace tintext {

namespace {

// Length of the well-formed UTF-8 sequence at p (at most n bytes available),
// with its code point in cp; 0 when the bytes there are not well-formed.
size_t DecodeOne(const unsigned char* p, size_t n, char32_t& cp) {
    size_t pos = 0;
    return DecodeUtf8(std::string_view(reinterpret_cast<const char*>(p), n), pos, cp) ? pos : 0;
}

// Like DecodeOne, but a byte that starts no well-formed sequence counts as the
// character of the same value, so every input can be walked.
size_t NextChar(const unsigned char* p, size_t n, char32_t& cp) {
    size_t len = DecodeOne(p, n, cp);
    if (len) return len;
    cp = p[0];
    return 1;
}

std::string IconvName(int codePage) {
    if (codePage == kCodePageUtf8) return "UTF-8";
    return "CP" + std::to_string(codePage);
}

// An open iconv descriptor, closed with the object.
class Iconv {
public:
    Iconv(const std::string& to, const std::string& from, int codePage)
        : cd_(iconv_open(to.c_str(), from.c_str())) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw RuntimeError(err::InvalidArgument,
                               "code page " + std::to_string(codePage) + " is not supported");
        }
    }
    ~Iconv() { iconv_close(cd_); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

    // Converts as much of in as it can, appending to out. Returns the number of
    // input bytes consumed; stops early at input it cannot convert.
    size_t Convert(std::string_view in, std::string& out) {
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char buffer[16384];
        while (srcLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            lastError_ = r == static_cast<size_t>(-1) ? errno : 0;
            out.append(buffer, dst - buffer);
            if (lastError_ && lastError_ != E2BIG) break;
        }
        return in.size() - srcLeft;
    }
    // The errno of the last stop: EILSEQ (invalid input), EINVAL (incomplete) or 0.
    int LastError() const { return lastError_; }

private:
    iconv_t cd_;
    int lastError_ = 0;
};

// How one code page maps. Single-byte pages use tables built once through
// iconv; multi-byte pages go through iconv on every call.
struct CodePage {
    int number = 0;
    bool singleByte = true;
    bool asciiCompatible = true;
    // byte -> its UTF-8 form, padded to four bytes so it can be copied whole
    std::array<std::array<char, 4>, 256> decode{};
    std::array<uint8_t, 256> decodeLength{};
    std::unordered_map<char32_t, uint8_t> encode;  // character -> byte
};

std::shared_ptr<const CodePage> BuildCodePage(int codePage) {
    auto page = std::make_shared<CodePage>();
    page->number = codePage;
    Iconv cd("UTF-8", IconvName(codePage), codePage);
    for (int b = 0; b < 256; ++b) {
        cd.Reset();
        const char byte = static_cast<char>(b);
        std::string utf8;
        size_t used = cd.Convert(std::string_view(&byte, 1), utf8);
        if (used == 1 && utf8.empty()) page->singleByte = false;  // a shift or lead byte
        if (used == 0 && cd.LastError() == EINVAL) page->singleByte = false;
        if (!page->singleByte) break;
        if (used == 0) AppendUtf8(utf8, static_cast<char32_t>(b));  // undefined: keep the byte value
        char32_t cp = 0;
        if (NextChar(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(), cp) != utf8.size()) {
            page->singleByte = false;  // one byte, several characters
            break;
        }
        if (b < 0x80 && cp != static_cast<char32_t>(b)) page->asciiCompatible = false;
        std::memcpy(page->decode[b].data(), utf8.data(), utf8.size());
        page->decodeLength[b] = static_cast<uint8_t>(utf8.size());
        page->encode.emplace(cp, static_cast<uint8_t>(b));
    }
    if (!page->singleByte) page->encode.clear();
    return page;
}

std::shared_ptr<const CodePage> GetCodePage(int codePage) {
    static std::mutex mutex;
    static std::map<int, std::shared_ptr<const CodePage>> cache;
    std::lock_guard<std::mutex> lock(mutex);
    auto& slot = cache[codePage];
    if (!slot) {
        try {
            slot = BuildCodePage(codePage);
        } catch (...) {
            cache.erase(codePage);
            throw;
        }
    }
    return slot;
}

std::string DecodeSingleByte(std::string_view bytes, const CodePage& page) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    size_t size = 0;
    for (size_t i = 0; i < n; ++i) size += page.decodeLength[p[i]];
    std::string out;
    out.resize(size + 3);  // room for the padding of the last character
    char* dst = out.data();
    for (size_t i = 0; i < n;) {
        if (page.asciiCompatible && i + 8 <= n) {  // runs of ASCII eight bytes at a time
            uint64_t word;
            std::memcpy(&word, p + i, 8);
            if (!(word & 0x8080808080808080ULL)) {
                std::memcpy(dst, &word, 8);
                dst += 8;
                i += 8;
                continue;
            }
        }
        std::memcpy(dst, page.decode[p[i]].data(), 4);
        dst += page.decodeLength[p[i]];
        ++i;
    }
    out.resize(size);
    return out;
}

std::string DecodeMultiByte(std::string_view bytes, int codePage) {
    Iconv cd("UTF-8", IconvName(codePage), codePage);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    while (!bytes.empty()) {
        bytes.remove_prefix(cd.Convert(bytes, out));
        if (bytes.empty()) break;
        // Not a valid sequence here: keep the byte's value and go on after it.
        AppendUtf8(out, static_cast<unsigned char>(bytes[0]));
        bytes.remove_prefix(1);
        cd.Reset();
    }
    return out;
}

std::string EncodeMultiByte(std::string_view text, int codePage) {
    Iconv cd(IconvName(codePage), "UTF-8", codePage);
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        text.remove_prefix(cd.Convert(text, out));
        if (text.empty()) break;
        char32_t cp;
        out += '?';
        text.remove_prefix(NextChar(reinterpret_cast<const unsigned char*>(text.data()), text.size(), cp));
        cd.Reset();
    }
    return out;
}

bool IsAscii(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

}  // namespace

std::string DecodeFileText(std::string bytes) {
    if (std::string_view(bytes).substr(0, kUtf8Bom.size()) == kUtf8Bom) bytes.erase(0, kUtf8Bom.size());
    if (IsValidUtf8(bytes)) return bytes;
    return DecodeSingleByte(bytes, *GetCodePage(kCodePageWindows1252));
}

std::string DecodeCodePage(std::string_view bytes, int codePage) {
    if (codePage == kCodePageUtf8) return DecodeFileText(std::string(bytes));
    auto page = GetCodePage(codePage);
    return page->singleByte ? DecodeSingleByte(bytes, *page) : DecodeMultiByte(bytes, codePage);
}

std::string EncodeCodePage(std::string_view text, int codePage) {
    if (codePage == kCodePageUtf8) return std::string(text);
    auto page = GetCodePage(codePage);
    if (!page->singleByte) return EncodeMultiByte(text, codePage);
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t cp;
        i += NextChar(p + i, text.size() - i, cp);
        auto it = page->encode.find(cp);
        out += it == page->encode.end() ? '?' : static_cast<char>(it->second);
    }
    return out;
}

std::string RedecodeWindows1252As(std::string_view text, int codePage) {
    if (IsAscii(text)) return std::string(text);
    auto ansi = GetCodePage(kCodePageWindows1252);
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    std::string out, run;
    out.reserve(text.size() + text.size() / 2);
    auto flush = [&] {
        if (run.empty()) return;
        out += DecodeCodePage(run, codePage);
        run.clear();
    };
    for (size_t i = 0; i < text.size();) {
        char32_t cp;
        size_t len = NextChar(p + i, text.size() - i, cp);
        if (cp < 0x100) {
            run += static_cast<char>(cp);
        } else if (auto it = ansi->encode.find(cp); it != ansi->encode.end()) {
            run += static_cast<char>(it->second);
        } else {
            flush();
            out.append(text.substr(i, len));
        }
        i += len;
    }
    flush();
    return out;
}

}  // namespace tintext
