#include "engine/formatter.h"

#include <memory>
#include <unordered_map>
#include <vector>

#include "engine/section_matcher.h"
#include "engine/utf8.h"
#include "support/environment.h"
#include "support/error.h"
#include "support/html_escape.h"
#include "support/strings_core.h"

namespace tintext {

namespace {

constexpr size_t kFlushSize = 64 * 1024;
// Reading the clock costs little, but not nothing; steps are cheaper still.
constexpr unsigned kStepsPerClockCheck = 256;

// A rule's template, cut at each "$$" (left to right, not overlapping) so
// that the common fill needs no temporary text.
struct TemplatePlan {
    explicit TemplatePlan(const std::string* tmpl) : text(tmpl) {
        if (!tmpl) return;
        size_t from = 0;
        for (size_t at; (at = tmpl->find("$$", from)) != std::string::npos; from = at + 2)
            pieces.push_back(tmpl->substr(from, at - from));
        pieces.push_back(tmpl->substr(from));
        for (const std::string& piece : pieces) piecesHoldDollar |= piece.find('$') != std::string::npos;
    }
    const std::string* text;  // nullptr: the rule writes nothing
    std::vector<std::string> pieces;
    bool piecesHoldDollar = false;
};

// What the formatter needs of a section, prepared at its first run.
struct SectionInfo {
    SectionInfo(const HldTree& hld, const HldSection& section, std::string_view inp) : matcher(section, inp) {
        for (const HldRule& rule : section.rules) {
            templates.emplace_back(rule.formats.Find(kHtmlFormatKey));
            enters.push_back(rule.enter && !rule.enter->empty() ? &*rule.enter : nullptr);
        }
        header = section.header.Find(kHtmlFormatKey);
        footer = section.footer.Find(kHtmlFormatKey);
    }
    SectionMatcher matcher;
    std::vector<TemplatePlan> templates;        // per rule
    std::vector<const std::string*> enters;     // per rule; nullptr: enters nothing
    const std::vector<std::string>* header;
    const std::vector<std::string>* footer;
};

// One section run: the state that the nested call of the recursive design
// kept on the call stack.
struct Frame {
    const HldSection* section;
    SectionInfo* info;
    bool rebuild = true;
    bool awaitingNested = false;     // the last step entered a section that is still running
    bool returnAfterNested = false;  // ... and its rule also returns
};

class Formatter {
public:
    Formatter(const HldTree& hld, std::string_view inp, OutputSink& out, size_t& ptr, const FormatOptions& options)
        : hld_(hld), inp_(inp), out_(out), ptr_(ptr), options_(options), env_(Env()) {
        buffer_.reserve(kFlushSize * 2);
        lastPump_ = std::chrono::steady_clock::now();
    }

    void Run(const HldSection& first) {
        StartRun(first);
        while (!frames_.empty()) {
            Frame& frame = frames_.back();
            if (frame.awaitingNested) {
                frame.awaitingNested = false;
                frame.rebuild = true;
                if (frame.returnAfterNested) {
                    EndRun();
                    continue;
                }
                AfterStep();
            }
            if (ptr_ >= inp_.size() || env_.cancelRequested.load(std::memory_order_relaxed)) {
                EndRun();
                continue;
            }
            Step(frame);
        }
        Flush();
    }

private:
    void Step(Frame& frame) {
        SectionInfo& info = *frame.info;
        if (frame.rebuild) {
            info.matcher.Rebuild(ptr_);
            frame.rebuild = false;
        }
        StepWinner winner;
        if (!info.matcher.FindWinner(ptr_, winner)) {
            ptr_ = NextCharBoundary(inp_, ptr_);
            AfterStep();
            return;
        }
        const TemplatePlan& plan = info.templates[winner.rule];
        if (plan.text) AppendFilled(plan, ptr_, winner);
        ptr_ = winner.end;
        const HldRule& rule = frame.section->rules[winner.rule];
        if (const std::string* name = info.enters[winner.rule]) {
            const HldSection* nested = hld_.sections.Find(*name);
            if (!nested)
                throw Error(kMissingSectionError, kProgramSource,
                            "The section \"" + *name + "\" is not defined in " + winner.pattern->file +
                                "; the rule with the pattern on line " + std::to_string(winner.pattern->line) +
                                " enters it.");
            frame.awaitingNested = true;
            frame.returnAfterNested = rule.returns;
            StartRun(*nested);  // invalidates `frame`
            return;
        }
        if (rule.returns) {
            EndRun();
            return;
        }
        AfterStep();
    }

    void StartRun(const HldSection& section) {
        std::unique_ptr<SectionInfo>& info = infos_[&section];
        if (!info) info = std::make_unique<SectionInfo>(hld_, section, inp_);
        frames_.push_back({&section, info.get()});
        AppendTexts(info->header);
    }

    void EndRun() {
        AppendTexts(frames_.back().info->footer);
        frames_.pop_back();
    }

    void AppendTexts(const std::vector<std::string>* texts) {
        if (!texts) return;
        for (const std::string& text : *texts) buffer_ += text;
        MaybeFlush();
    }

    // "$$" becomes the escaped match; then "$0", "$1", ... in turn become the
    // escaped groups 1, 2, ..., each replacement working on the text the
    // previous ones left (so "$10" is group 2 and a "0").
    void AppendFilled(const TemplatePlan& plan, size_t start, const StepWinner& winner) {
        std::string_view value = inp_.substr(start, winner.end - start);
        if (winner.groupCount == 0 || (!plan.piecesHoldDollar && value.find('$') == std::string_view::npos)) {
            // No "$n" can arise: the pieces with the escaped match between them.
            for (size_t k = 0; k < plan.pieces.size(); ++k) {
                if (k > 0) AppendEncodedHtml(buffer_, value);
                buffer_ += plan.pieces[k];
            }
        } else {
            const std::vector<size_t>& offsets = *winner.groups;
            std::string text = ReplaceAll(*plan.text, "$$", EncodeHtml(value));
            for (uint32_t n = 0; n < winner.groupCount && text.find('$') != std::string::npos; ++n) {
                size_t from = offsets[2 * (n + 1)];
                std::string_view group = from == CompiledRegex::kUnset
                                             ? std::string_view()
                                             : inp_.substr(from, offsets[2 * (n + 1) + 1] - from);
                text = ReplaceAll(text, "$" + std::to_string(n), EncodeHtml(group));
            }
            buffer_ += text;
        }
        MaybeFlush();
    }

    void MaybeFlush() {
        if (buffer_.size() >= kFlushSize) Flush();
    }
    void Flush() {
        if (buffer_.empty()) return;
        out_.Append(buffer_);
        buffer_.clear();
    }

    // Progress and pending events, throttled; the cancel flag is read before
    // every step regardless.
    void AfterStep() {
        if (options_.eventInterval.count() > 0) {
            if (++stepsSinceClock_ < kStepsPerClockCheck) return;
            stepsSinceClock_ = 0;
            auto now = std::chrono::steady_clock::now();
            if (now - lastPump_ < options_.eventInterval) return;
            lastPump_ = now;
        }
        env_.SetProgressValue(static_cast<float>(ptr_));
        env_.DoEvents();
    }

    const HldTree& hld_;
    std::string_view inp_;
    OutputSink& out_;
    size_t& ptr_;
    const FormatOptions& options_;
    JobEnvironment& env_;
    std::string buffer_;
    std::vector<Frame> frames_;
    std::unordered_map<const HldSection*, std::unique_ptr<SectionInfo>> infos_;
    unsigned stepsSinceClock_ = 0;
    std::chrono::steady_clock::time_point lastPump_;
};

}  // namespace

void FormatSection(const HldTree& hld, const HldSection& section, std::string_view inp, OutputSink& out,
                   size_t& ptr, const FormatOptions& options) {
    size_t bad = 0;
    if (!IsValidUtf8(inp, &bad))
        throw Error(err::InvalidArgument, kProgramSource,
                    "The text to format is not valid UTF-8 (byte " + std::to_string(bad) + ").");
    if (ptr < inp.size() && (static_cast<unsigned char>(inp[ptr]) & 0xC0) == 0x80)
        throw Error(err::InvalidArgument, kProgramSource, "The start position splits a character.");
    Formatter(hld, inp, out, ptr, options).Run(section);
}

}  // namespace tintext
