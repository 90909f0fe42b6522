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

#include "support/code_pages.h"
#include "support/error.h"
#include "support/huge_pages.h"
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
    if (const CodePageInfo* page = FindCodePage(codePage)) return page->iconvName;
    return "CP" + std::to_string(codePage);
}

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD

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

    // Appends what a stateful conversion still holds back (1255 and 1258
    // keep a letter until they know no combining mark follows) and resets.
    void Flush(std::string& out) {
        char buffer[64];
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
        out.append(buffer, static_cast<size_t>(dst - buffer));
    }

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

// Decoding a large input given up once decoded gives back the memory of the
// part done every few megabytes, so that input and text need not both be
// held whole.
constexpr size_t kReleaseStep = 4 << 20;

std::string DecodeSingleByte(std::string_view bytes, const CodePage& page, bool releaseInput) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    size_t size = 0;
    for (size_t i = 0; i < n; ++i) size += page.decodeLength[p[i]];
    std::string out;
    out.resize(size + 3);  // room for the padding of the last character
    char* dst = out.data();
    for (size_t i = 0, released = 0; i < n;) {
        if (releaseInput && i - released >= kReleaseStep) {
            ReleasePages(p + released, i - released);
            released = i;
        }
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

std::string DecodeMultiByte(std::string_view bytes, int codePage, bool releaseInput) {
    Iconv cd("UTF-8", IconvName(codePage), codePage);
    // UTF-16 goes on after a bad unit, the other pages after a bad byte.
    const size_t unit = codePage == kCodePageUtf16Le || codePage == kCodePageUtf16Be ? 2 : 1;
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    size_t pos = 0, released = 0;
    while (pos < bytes.size()) {
        const size_t end = std::min(bytes.size(), pos + kReleaseStep);
        pos += cd.Convert(bytes.substr(pos, end - pos), out);
        if (releaseInput && pos - released >= kReleaseStep) {
            ReleasePages(bytes.data() + released, pos - released);
            released = pos;
        }
        // A sequence that goes on beyond this step is read with the next one.
        if (pos == end || (cd.LastError() == EINVAL && end < bytes.size())) continue;
        // Not a valid sequence here, or one cut off by the end: one replacement character.
        cd.Flush(out);
        out += kReplacementCharacter;
        pos += std::min(unit, bytes.size() - pos);
    }
    cd.Flush(out);
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
        cd.Flush(out);
        out += '?';
        text.remove_prefix(NextChar(reinterpret_cast<const unsigned char*>(text.data()), text.size(), cp));
    }
    cd.Flush(out);
    return out;
}

}  // namespace

std::string DecodeFileText(std::string bytes) {
    if (std::string_view(bytes).substr(0, kUtf8Bom.size()) == kUtf8Bom) bytes.erase(0, kUtf8Bom.size());
    if (IsValidUtf8(bytes)) return bytes;
    return DecodeSingleByte(bytes, *GetCodePage(kCodePageWindows1252), false);
}

std::string DecodeUtf8Lossy(std::string bytes) {
    size_t bad = 0;
    if (IsValidUtf8(bytes, &bad)) return bytes;
    std::string out;
    out.reserve(bytes.size() + 16);
    std::string_view rest(bytes);
    do {
        out.append(rest.substr(0, bad));
        out += kReplacementCharacter;
        rest.remove_prefix(bad + 1);
        // Continuation bytes of the bad sequence each become one replacement too.
    } while (!IsValidUtf8(rest, &bad));
    out.append(rest);
    return out;
}

std::string DecodeCodePage(std::string_view bytes, int codePage) {
    if (codePage == kCodePageUtf8) return DecodeUtf8Lossy(std::string(bytes));
    auto page = GetCodePage(codePage);
    return page->singleByte ? DecodeSingleByte(bytes, *page, false) : DecodeMultiByte(bytes, codePage, false);
}

std::string DecodeCodePageConsuming(std::string&& bytes, int codePage) {
    if (codePage == kCodePageUtf8) return DecodeUtf8Lossy(std::move(bytes));
    auto page = GetCodePage(codePage);
    std::string text =
        page->singleByte ? DecodeSingleByte(bytes, *page, true) : DecodeMultiByte(bytes, codePage, true);
    std::string().swap(bytes);
    return text;
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

}  // namespace tintext
