#include "engine/formatter.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <optional>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "engine/language_table.h"
#include "engine/section_matcher.h"
#include "engine/ticker.h"
#include "support/ascii_text.h"
#include "support/error.h"
#include "support/html_escape.h"
#include "support/utf8.h"

namespace tintext {

namespace {

// Few writes, and few pages for a short run to touch the first time.
constexpr size_t kBufferSize = 64 * 1024;
// The formatter's output on its way to the sink: a fixed block that is
// handed on whole, with the HTML escaping done straight into it.
class OutputBuffer {
public:
    OutputBuffer(OutputSink& sink, Blanks blanks)
        : sink_(sink), blanks_(blanks), data_(new char[kBufferSize]), cur_(data_.get()) {}

    void Append(std::string_view text) {
        if (text.size() > Room()) {
            Flush();
            if (text.size() > kBufferSize) {
                sink_.Append(text);
                return;
            }
        }
        std::memcpy(cur_, text.data(), text.size());
        cur_ += text.size();
    }

    // The text with "&", "<", ">" and (unless the definition asks for plain
    // ones) blanks as entities.
    void AppendEscaped(std::string_view text) {
        while (EscapedRoom(text.size()) > Room()) {  // only where the block fills up
            size_t n = EscapableIn(Room());
            cur_ = EscapeHtmlInto(cur_, text.substr(0, n), blanks_);
            text.remove_prefix(n);
            Flush();
        }
        cur_ = EscapeHtmlInto(cur_, text, blanks_);
    }

    Blanks blanks() const { return blanks_; }

    void Flush() {
        if (cur_ == data_.get()) return;
        sink_.Append(std::string_view(data_.get(), static_cast<size_t>(cur_ - data_.get())));
        cur_ = data_.get();
    }

private:
    size_t Room() const { return kBufferSize - static_cast<size_t>(cur_ - data_.get()); }

    OutputSink& sink_;
    Blanks blanks_;
    std::unique_ptr<char[]> data_;
    char* cur_;
};

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
    SectionInfo(const HldSection& section, std::string_view inp, RegexCache& cache)
        : section(section), matcher(section, inp, cache) {
        for (const HldRule& rule : section.rules) {
            templates.emplace_back(rule.formats.Find(kHtmlFormatKey));
            enters.push_back(rule.enter && !rule.enter->empty() ? &*rule.enter : nullptr);
        }
        header = section.header.Find(kHtmlFormatKey);
        footer = section.footer.Find(kHtmlFormatKey);
    }
    const HldSection& section;
    SectionMatcher matcher;
    std::vector<TemplatePlan> templates;        // per rule
    std::vector<const std::string*> enters;     // per rule; nullptr: enters nothing
    const std::vector<std::string>* header;
    const std::vector<std::string>* footer;
};

// Section runs waiting for the run they entered to end: the state that the
// nested calls of the recursive design kept on the call stack. Equal
// neighbours share one entry, so a section that enters itself on every
// character costs no memory per level.
struct Suspended {
    SectionInfo* info;
    bool returnAfterNested;  // the entering rule also returns
    size_t count;
    size_t end;  // where its text ends
};

class Formatter {
public:
    Formatter(const HldTree& hld, std::string_view inp, OutputSink& out, size_t& ptr, JobEnvironment& environment,
              const FormatOptions& options)
        : hld_(hld), inp_(inp), buffer_(out, hld.plainBlanks ? Blanks::Plain : Blanks::Nbsp), ptr_(ptr), options_(options),
          env_(environment), regexes_(options.regexes ? *options.regexes : ownRegexes_) {}

    void Run(const HldSection& first) {
        if (options_.ticker) {
            ticker_ = options_.ticker;
        } else if (options_.eventInterval.count() > 0) {
            try {
                ticker_ = &ownTicker_.emplace(options_.eventInterval);
            } catch (const std::system_error&) {
                // No thread to be had: events after every step instead.
            }
        }
        StartRun(first);
        while (true) {
            if (ptr_ >= end_ || env_.cancelRequested.load(std::memory_order_relaxed)) {
                if (!EndRun()) break;
                continue;
            }
            if (!Step()) break;
        }
        buffer_.Flush();
        env_.SetProgressValue(static_cast<float>(ptr_));  // throttling may have skipped the last steps
        // However short the run, the environment hears from it once.
        if (pumps_ == 0) env_.DoEvents();
    }

private:
    // One step of the current run; false when it ended the outermost run.
    bool Step() {
        SectionInfo& info = *current_;
        if (rebuild_) {
            info.matcher.Rebuild(ptr_, end_);
            rebuild_ = false;
        }
        StepWinner winner;
        if (!info.matcher.FindWinner(ptr_, winner)) {
            ptr_ = NextCharBoundary(inp_, ptr_);
            AfterStep();
            return true;
        }
        const TemplatePlan& plan = info.templates[winner.rule];
        if (plan.text) AppendFilled(plan, ptr_, winner);
        ptr_ = winner.end;
        const HldRule& rule = info.section.rules[winner.rule];
        if (const std::string* name = info.enters[winner.rule]) {
            const HldSection* nested = hld_.sections.Find(*name);
            if (!nested)
                throw Error(err::ObjectRequired, kProgramSource,
                            "The section \"" + *name + "\" is not defined in " + winner.pattern->file +
                                "; the rule with the pattern on line " + std::to_string(winner.pattern->line) +
                                " enters it.");
            Suspend(rule.returns);
            StartRun(*nested);
            if (!nested->includes.empty()) StartIncluded(*nested, winner);
            return true;
        }
        if (rule.returns) return EndRun();
        AfterStep();
        return true;
    }

    // Writes the current run's footer and goes back to the run that entered
    // it, which rebuilds before its next step, or ends too when its rule
    // returns. False when no run is left.
    bool EndRun() {
        while (true) {
            AppendTexts(current_->footer);
            if (suspended_.empty()) return false;
            Suspended& caller = suspended_.back();
            current_ = caller.info;
            end_ = caller.end;
            bool returns = caller.returnAfterNested;
            if (--caller.count == 0) suspended_.pop_back();
            rebuild_ = true;
            if (!returns) break;
        }
        AfterStep();
        return true;
    }

    void Suspend(bool returnAfterNested) {
        if (!suspended_.empty() && suspended_.back().info == current_ &&
            suspended_.back().returnAfterNested == returnAfterNested && suspended_.back().end == end_)
            ++suspended_.back().count;
        else
            suspended_.push_back({current_, returnAfterNested, 1, end_});
    }

    // The section just entered takes in the language that the entering
    // match's first group names: that definition runs first, on the text up
    // to where the section's own returning rules first match.
    void StartIncluded(const HldSection& section, const StepWinner& winner) {
        if (winner.groupCount == 0) return;
        const size_t from = (*winner.groups)[2];
        if (from == CompiledRegex::kUnset) return;
        const std::string* first =
            section.includes.Find(FoldLanguageName(inp_.substr(from, (*winner.groups)[3] - from)));
        if (!first) return;
        const HldSection* included = hld_.sections.Find(*first);
        if (!included) return;
        const size_t end = current_->matcher.FirstReturnStart(ptr_, end_);
        Suspend(false);
        end_ = end;
        StartRun(*included);
    }

    void StartRun(const HldSection& section) {
        std::unique_ptr<SectionInfo>& info = infos_[&section];
        if (!info) info = std::make_unique<SectionInfo>(section, inp_, regexes_);
        current_ = info.get();
        rebuild_ = true;
        AppendTexts(info->header);
    }

    void AppendTexts(const std::vector<std::string>* texts) {
        if (!texts) return;
        for (const std::string& text : *texts) buffer_.Append(text);
    }

    // "$$" becomes the escaped match; then "$0", "$1", ... in turn become the
    // escaped groups 1, 2, ..., each replacement working on the text the
    // previous ones left (so "$10" is group 2 and a "0").
    void AppendFilled(const TemplatePlan& plan, size_t start, const StepWinner& winner) {
        std::string_view value = inp_.substr(start, winner.end - start);
        if (winner.groupCount == 0 || (!plan.piecesHoldDollar && value.find('$') == std::string_view::npos)) {
            // No "$n" can arise: the pieces with the escaped match between them.
            for (size_t k = 0; k < plan.pieces.size(); ++k) {
                if (k > 0) buffer_.AppendEscaped(value);
                buffer_.Append(plan.pieces[k]);
            }
        } else {
            const std::vector<size_t>& offsets = *winner.groups;
            std::string text = ReplaceAll(*plan.text, "$$", EncodeHtml(value, buffer_.blanks()));
            for (uint32_t n = 0; n < winner.groupCount && text.find('$') != std::string::npos; ++n) {
                size_t from = offsets[2 * (n + 1)];
                std::string_view group = from == CompiledRegex::kUnset
                                             ? std::string_view()
                                             : inp_.substr(from, offsets[2 * (n + 1) + 1] - from);
                text = ReplaceAll(text, "$" + std::to_string(n), EncodeHtml(group, buffer_.blanks()));
            }
            buffer_.Append(text);
        }
    }

    // Progress and pending events, throttled; the cancel flag is read before
    // every step regardless.
    void AfterStep() {
        if (ticker_ && !ticker_->Due()) return;
        env_.SetProgressValue(static_cast<float>(ptr_));
        env_.DoEvents();
        ++pumps_;
    }

    const HldTree& hld_;
    std::string_view inp_;
    OutputBuffer buffer_;
    size_t& ptr_;
    const FormatOptions& options_;
    JobEnvironment& env_;
    SectionInfo* current_ = nullptr;  // the section run under way
    size_t end_ = inp_.size();        // where its text ends: the input's, or a block's that another definition runs on
    bool rebuild_ = true;
    std::vector<Suspended> suspended_;
    RegexCache ownRegexes_;  // before the sections, which use it to the end
    RegexCache& regexes_;
    std::unordered_map<const HldSection*, std::unique_ptr<SectionInfo>> infos_;
    std::optional<Ticker> ownTicker_;
    Ticker* ticker_ = nullptr;  // none: after every step
    size_t pumps_ = 0;              // events run so far
};

}  // namespace

void FormatSection(const HldTree& hld, const HldSection& section, std::string_view inp, OutputSink& out,
                   size_t& ptr, JobEnvironment& environment, const FormatOptions& options) {
    size_t bad = 0;
    if (!IsValidUtf8(inp, &bad))
        throw Error(err::InvalidArgument, kProgramSource,
                    "The text to format is not valid UTF-8 (byte " + std::to_string(bad) + ").");
    if (ptr < inp.size() && (static_cast<unsigned char>(inp[ptr]) & 0xC0) == 0x80)
        throw Error(err::InvalidArgument, kProgramSource, "The start position splits a character.");
    Formatter(hld, inp, out, ptr, environment, options).Run(section);
}

}  // namespace tintext
