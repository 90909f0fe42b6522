#include "engine/regexp.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <cstdint>
#include <optional>

#include "engine/simple_pattern.h"
#include "support/utf8.h"

namespace tintext {

namespace {

// The limits grow with the text a search may cover, so that a pattern whose
// work is linear in its text never fails on a long line: a lazy or repeated
// group costs about one match-limit unit and up to 32 bytes of JIT stack per
// byte it covers. The fixed parts are large enough for any sensible pattern
// on a short text and small enough that a pattern which backtracks without
// end stops within a second or so.
constexpr uint64_t kMatchLimit = 10'000'000;
constexpr uint64_t kMatchUnitsPerByte = 4;
constexpr uint64_t kDepthLimit = 1'000'000;
constexpr uint64_t kDepthPerByte = 1;
constexpr size_t kJitStackStart = 32 * 1024;
constexpr size_t kJitStackMax = 8 * 1024 * 1024;
constexpr size_t kJitStackPerByte = 64;
constexpr size_t kJitStackCeiling = size_t{2} << 30;

uint32_t Scaled(uint64_t base, uint64_t perByte, size_t reach) {
    return static_cast<uint32_t>(std::min<uint64_t>(base + perByte * reach, UINT32_MAX));
}

std::string Pcre2Message(int code) {
    PCRE2_UCHAR buffer[256];
    int n = pcre2_get_error_message(code, buffer, sizeof buffer);
    return n < 0 ? "error " + std::to_string(code) : std::string(reinterpret_cast<char*>(buffer), static_cast<size_t>(n));
}

// One match context (limits and JIT stack) serves every search of a thread.
class MatchContext {
public:
    MatchContext() {
        context_ = pcre2_match_context_create(nullptr);
        stack_ = pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr);
        if (stack_) {
            stackMax_ = kJitStackMax;
            pcre2_jit_stack_assign(context_, nullptr, stack_);
        }
    }
    ~MatchContext() {
        pcre2_match_context_free(context_);
        pcre2_jit_stack_free(stack_);
    }
    pcre2_match_context* get() const { return context_; }

    // The limits for a search that may cover `reach` bytes of text.
    void LimitTo(size_t reach) {
        pcre2_set_match_limit(context_, Scaled(kMatchLimit, kMatchUnitsPerByte, reach));
        pcre2_set_depth_limit(context_, Scaled(kDepthLimit, kDepthPerByte, reach));
    }

    // A JIT stack for `reach` bytes of text, when the one in use is smaller
    // and a larger one can be had. It is only reserved: memory is taken as
    // the stack is used, and it is kept for the thread's later searches.
    bool GrowStackFor(size_t reach) {
        const size_t wanted = std::min(kJitStackMax + kJitStackPerByte * reach, kJitStackCeiling);
        if (wanted <= stackMax_) return false;
        pcre2_jit_stack* larger = pcre2_jit_stack_create(kJitStackStart, wanted, nullptr);
        if (!larger) return false;
        pcre2_jit_stack_assign(context_, nullptr, larger);
        pcre2_jit_stack_free(stack_);
        stack_ = larger;
        stackMax_ = wanted;
        return true;
    }

private:
    pcre2_match_context* context_ = nullptr;
    pcre2_jit_stack* stack_ = nullptr;
    size_t stackMax_ = 0;
};

// The thread's context; with an offset limit, its twin, which only patterns
// compiled for one accept.
MatchContext& ThreadMatchContext(bool offsetLimited) {
    thread_local MatchContext shared, limited;
    return offsetLimited ? limited : shared;
}

// A compiled pattern and whether JIT took it (then the lean JIT entry serves).
struct Code {
    pcre2_code* code = nullptr;
    bool jit = false;
};

// `jit`: compile for the JIT too, now; JitCompile does it later for code
// that may never be run.
Code Compile(const std::string& pcre, uint32_t options, bool jit = true) {
    int code = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* compiled = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pcre.data()), pcre.size(), options, &code,
                                         &offset, nullptr);
    if (!compiled) throw Error(regexp_err::SyntaxError, kProgramSource,
                               RegexpErrorText(regexp_err::SyntaxError) + ": " + Pcre2Message(code));
    // The interpreter serves where JIT is unavailable.
    return {compiled, jit && pcre2_jit_compile(compiled, PCRE2_JIT_COMPLETE) == 0};
}

}  // namespace

struct CompiledRegex::Impl {
    Code search;
    bool searchJitTried = false;
    Code anchored;  // compiled when first needed
    Code limited;   // likewise
    // Single attempts at simple patterns skip the engine when they can.
    std::optional<SimplePattern> simple;
    pcre2_match_data* data = nullptr;
    PCRE2_SIZE* ovector = nullptr;
    MatchContext* context = &ThreadMatchContext(false);
    std::string pcre;
    uint32_t options = 0;
    ~Impl() {
        pcre2_match_data_free(data);
        pcre2_code_free(anchored.code);
        pcre2_code_free(limited.code);
        pcre2_code_free(search.code);
    }
    bool Run(const Code& code, std::string_view text, size_t from, MatchContext& matchContext);
};

CompiledRegex::CompiledRegex(std::string_view pattern, bool ignoreCase, bool multiLine) : impl_(new Impl) {
    // One parse serves the translation, what the pattern tells of its
    // matches, and the native matcher.
    ParsedPattern parsed = ParseEcmaPattern(pattern);
    TranslatedPattern translated = TranslateEcmaPattern(parsed, multiLine, ignoreCase);
    uint32_t options = PCRE2_UTF | PCRE2_MATCH_UNSET_BACKREF | PCRE2_DOLLAR_ENDONLY;
    if (ignoreCase) options |= PCRE2_CASELESS;
    // The formatter only reads what this code tells about the pattern, and
    // runs the anchored and limited forms; a search compiles for the JIT
    // when first needed.
    impl_->search = Compile(translated.pcre, options, false);
    impl_->pcre = std::move(translated.pcre);
    impl_->options = options;
    impl_->data = pcre2_match_data_create_from_pattern(impl_->search.code, nullptr);
    if (!impl_->data) throw std::bad_alloc();
    impl_->ovector = pcre2_get_ovector_pointer(impl_->data);
    captureCount_ = translated.captureCount;
    PatternFacts facts = ReadPatternFacts(parsed);
    analysis_ = AnalysePattern(facts, ReadEngineStartInfo(facts, ignoreCase), ignoreCase);
    impl_->simple = SimplePattern::Build(parsed, ignoreCase);
}

// What the engine found out about where matches can begin.
EngineStartInfo CompiledRegex::ReadEngineStartInfo(const PatternFacts& facts, bool ignoreCase) const {
    pcre2_code* code = impl_->search.code;
    uint32_t allOptions = 0, firstType = 0, firstUnit = 0, minLength = 0;
    const uint8_t* bitmap = nullptr;
    EngineStartInfo info;
    pcre2_pattern_info(code, PCRE2_INFO_ALLOPTIONS, &allOptions);
    pcre2_pattern_info(code, PCRE2_INFO_FIRSTCODETYPE, &firstType);
    pcre2_pattern_info(code, PCRE2_INFO_FIRSTCODEUNIT, &firstUnit);
    pcre2_pattern_info(code, PCRE2_INFO_FIRSTBITMAP, &bitmap);
    pcre2_pattern_info(code, PCRE2_INFO_MINLENGTH, &minLength);
    pcre2_pattern_info(code, PCRE2_INFO_MAXLOOKBEHIND, &info.maxLookbehind);
    info.anchored = (allOptions & PCRE2_ANCHORED) != 0;
    info.mayMatchEmpty = minLength == 0;
    if (firstType == 1) {
        info.firstUnit = static_cast<unsigned char>(firstUnit);
    } else if (firstType == 0 && bitmap) {
        info.firstTable.emplace();
        for (int c = 0; c < 256; ++c) (*info.firstTable)[c] = (bitmap[c / 8] >> (c % 8)) & 1;
    }
    // What a one-character pattern can begin with is all it can be.
    for (const std::string& item : facts.precedingItems)
        info.precedingItemFirstBytes.push_back(CompiledRegex(item, ignoreCase, false).Analysis().firstBytes);
    return info;
}

CompiledRegex::~CompiledRegex() = default;

bool CompiledRegex::Impl::Run(const Code& compiled, std::string_view text, size_t from,
                              MatchContext& matchContext) {
    auto subject = reinterpret_cast<PCRE2_SPTR>(text.data());
    const size_t reach = text.size() - from;
    matchContext.LimitTo(reach);
    int rc = 0;
    do {
        rc = compiled.jit ? pcre2_jit_match(compiled.code, subject, text.size(), from, 0, data, matchContext.get())
                          : pcre2_match(compiled.code, subject, text.size(), from, PCRE2_NO_UTF_CHECK, data,
                                        matchContext.get());
    } while (rc == PCRE2_ERROR_JIT_STACKLIMIT && matchContext.GrowStackFor(reach));
    if (rc >= 0) return true;
    switch (rc) {
        case PCRE2_ERROR_NOMATCH: return false;
        case PCRE2_ERROR_MATCHLIMIT:
        case PCRE2_ERROR_DEPTHLIMIT:
        case PCRE2_ERROR_HEAPLIMIT:
        case PCRE2_ERROR_JIT_STACKLIMIT:
        case PCRE2_ERROR_NOMEMORY:
            throw Error(regexp_err::TooMuchBacktracking, kProgramSource,
                        RegexpErrorText(regexp_err::TooMuchBacktracking));
        default:
            throw Error(err::InvalidArgument, kProgramSource, "The regular-expression search failed: " + Pcre2Message(rc));
    }
}

bool CompiledRegex::Search(std::string_view text, size_t from) {
    if (from > text.size()) return false;
    if (!impl_->searchJitTried) {
        impl_->searchJitTried = true;
        impl_->search.jit = pcre2_jit_compile(impl_->search.code, PCRE2_JIT_COMPLETE) == 0;
    }
    return impl_->Run(impl_->search, text, from, *impl_->context);
}

bool CompiledRegex::SearchBefore(std::string_view text, size_t from, size_t limit) {
    if (from >= limit || from > text.size()) return false;
    if (!impl_->limited.code) impl_->limited = Compile(impl_->pcre, impl_->options | PCRE2_USE_OFFSET_LIMIT);
    MatchContext& limited = ThreadMatchContext(true);
    pcre2_set_offset_limit(limited.get(), limit - 1);
    return impl_->Run(impl_->limited, text, from, limited);
}

bool CompiledRegex::MatchAt(std::string_view text, size_t at) {
    if (at > text.size()) return false;
    if (impl_->simple) {
        size_t end = 0;
        switch (impl_->simple->MatchAt(text, at, end)) {
            case SimplePattern::Result::Match:
                // A simple pattern has no groups: group 0 is all there is.
                impl_->ovector[0] = at;
                impl_->ovector[1] = end;
                return true;
            case SimplePattern::Result::NoMatch: return false;
            case SimplePattern::Result::Unknown: break;  // the engine judges
        }
    }
    // A single attempt must not first look for a character the pattern
    // requires: with many attempts that look-ahead would cost the rest of
    // the text each time.
    if (!impl_->anchored.code)
        impl_->anchored = Compile(impl_->pcre, impl_->options | PCRE2_ANCHORED | PCRE2_NO_START_OPTIMIZE);
    return impl_->Run(impl_->anchored, text, at, *impl_->context);
}

size_t CompiledRegex::Start(uint32_t group) const { return impl_->ovector[2 * group]; }

size_t CompiledRegex::End(uint32_t group) const { return impl_->ovector[2 * group + 1]; }

void CompiledRegex::CopyOffsets(std::vector<size_t>& offsets) const {
    offsets.assign(impl_->ovector, impl_->ovector + 2 * (captureCount_ + 1));
}

// ---- RegExp ----

RegExp::RegExp() = default;
RegExp::~RegExp() = default;

void RegExp::SetPattern(std::string pattern) {
    pattern_ = std::move(pattern);
    compiled_.reset();
}

void RegExp::SetIgnoreCase(bool on) {
    if (on != ignoreCase_) compiled_.reset();
    ignoreCase_ = on;
}

void RegExp::SetMultiLine(bool on) {
    if (on != multiLine_) compiled_.reset();
    multiLine_ = on;
}

std::vector<RegExpMatch> RegExp::Execute(std::string_view text) {
    if (!compiled_) compiled_ = std::make_unique<CompiledRegex>(pattern_, ignoreCase_, multiLine_);
    size_t bad = 0;
    if (!IsValidUtf8(text, &bad))
        throw Error(err::InvalidArgument, kProgramSource,
                    "The text to search is not valid UTF-8 (byte " + std::to_string(bad) + ")");
    std::vector<RegExpMatch> matches;
    CompiledRegex& re = *compiled_;
    size_t from = 0;
    while (from <= text.size() && re.Search(text, from)) {
        RegExpMatch m;
        m.FirstIndex = re.Start();
        m.Length = re.End() - re.Start();
        m.Value = std::string(text.substr(m.FirstIndex, m.Length));
        for (uint32_t g = 1; g <= re.CaptureCount(); ++g) {
            size_t start = re.Start(g);
            m.SubMatches.push_back(start == CompiledRegex::kUnset ? std::string()
                                                                  : std::string(text.substr(start, re.End(g) - start)));
        }
        matches.push_back(std::move(m));
        if (!global_) break;
        size_t end = re.End();
        if (end > re.Start())
            from = end;
        else
            from = end < text.size() ? NextCharBoundary(text, end) : text.size() + 1;
    }
    return matches;
}

}  // namespace tintext
