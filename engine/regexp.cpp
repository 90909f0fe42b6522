#include "engine/regexp.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include "engine/utf8.h"

namespace tintext {

namespace {

// Large enough for any sensible pattern on any input, small enough that a
// pattern which backtracks without end stops within a second or so.
constexpr uint32_t kMatchLimit = 10'000'000;
constexpr uint32_t kDepthLimit = 1'000'000;
constexpr size_t kJitStackStart = 32 * 1024;
constexpr size_t kJitStackMax = 8 * 1024 * 1024;

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
        pcre2_set_match_limit(context_, kMatchLimit);
        pcre2_set_depth_limit(context_, kDepthLimit);
        if (stack_) pcre2_jit_stack_assign(context_, nullptr, stack_);
    }
    ~MatchContext() {
        pcre2_match_context_free(context_);
        pcre2_jit_stack_free(stack_);
    }
    pcre2_match_context* get() const { return context_; }

private:
    pcre2_match_context* context_ = nullptr;
    pcre2_jit_stack* stack_ = nullptr;
};

pcre2_match_context* SharedMatchContext() {
    thread_local MatchContext context;
    return context.get();
}

pcre2_code* Compile(const std::string& pcre, uint32_t options) {
    int code = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* compiled = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pcre.data()), pcre.size(), options, &code,
                                         &offset, nullptr);
    if (!compiled) throw Error(regexp_err::SyntaxError, kProgramSource,
                               RegexpErrorText(regexp_err::SyntaxError) + ": " + Pcre2Message(code));
    pcre2_jit_compile(compiled, PCRE2_JIT_COMPLETE);  // the interpreter serves where JIT is unavailable
    return compiled;
}

}  // namespace

struct CompiledRegex::Impl {
    pcre2_code* search = nullptr;
    pcre2_code* anchored = nullptr;
    pcre2_match_data* data = nullptr;
    ~Impl() {
        pcre2_match_data_free(data);
        pcre2_code_free(anchored);
        pcre2_code_free(search);
    }
};

CompiledRegex::CompiledRegex(std::string_view pattern, bool ignoreCase, bool multiLine) : impl_(new Impl) {
    TranslatedPattern translated = TranslateEcmaPattern(pattern, multiLine);
    uint32_t options = PCRE2_UTF | PCRE2_MATCH_UNSET_BACKREF | PCRE2_DOLLAR_ENDONLY;
    if (ignoreCase) options |= PCRE2_CASELESS;
    impl_->search = Compile(translated.pcre, options);
    // A single attempt must not first look for a character the pattern
    // requires: with many attempts that look-ahead would cost the rest of
    // the text each time.
    impl_->anchored = Compile(translated.pcre, options | PCRE2_ANCHORED | PCRE2_NO_START_OPTIMIZE);
    impl_->data = pcre2_match_data_create_from_pattern(impl_->search, nullptr);
    if (!impl_->data) throw std::bad_alloc();
    captureCount_ = translated.captureCount;
    oneChar_ = translated.oneChar;
    pcre2_pattern_info(impl_->search, PCRE2_INFO_MAXLOOKBEHIND, &lookbehindReach_);
}

CompiledRegex::~CompiledRegex() = default;

static bool RunMatch(pcre2_code* code, pcre2_match_data* data, std::string_view text, size_t from) {
    int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), from, PCRE2_NO_UTF_CHECK,
                         data, SharedMatchContext());
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
    return RunMatch(impl_->search, impl_->data, text, from);
}

bool CompiledRegex::MatchAt(std::string_view text, size_t at) {
    if (at > text.size()) return false;
    return RunMatch(impl_->anchored, impl_->data, text, at);
}

size_t CompiledRegex::Start(uint32_t group) const {
    return pcre2_get_ovector_pointer(impl_->data)[2 * group];
}

size_t CompiledRegex::End(uint32_t group) const {
    return pcre2_get_ovector_pointer(impl_->data)[2 * group + 1];
}

void CompiledRegex::CopyOffsets(std::vector<size_t>& offsets) const {
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(impl_->data);
    offsets.assign(ovector, ovector + 2 * (captureCount_ + 1));
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
