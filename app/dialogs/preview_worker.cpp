#include "app/dialogs/preview_worker.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <regex>

#include "app/dialogs/html_fragments.h"
#include "engine/formatter.h"
#include "engine/hld_loader.h"
#include "engine/page.h"
#include "engine/theme.h"
#include "engine/regexp.h"
#include "support/job_environment.h"
#include "support/error.h"

namespace tintext {

namespace {
constexpr int kWorkerNiceness = 10;
}  // namespace

LatestTaskRunner::LatestTaskRunner() : thread_([this] { Loop(); }) {}

LatestTaskRunner::~LatestTaskRunner() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_ = nullptr;
        if (running_) *running_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void LatestTaskRunner::Submit(Task task) {
    {
        std::lock_guard lock(mutex_);
        waiting_ = std::move(task);
        if (running_) *running_ = true;
    }
    wake_.notify_all();
}

void LatestTaskRunner::CancelAll() {
    std::lock_guard lock(mutex_);
    waiting_ = nullptr;
    if (running_) *running_ = true;
}

void LatestTaskRunner::Loop() {
    // Below the user-interface thread, so that on a busy machine keystrokes win the processor.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kWorkerNiceness);
    while (true) {
        Task task;
        std::shared_ptr<std::atomic<bool>> cancelled;
        {
            std::unique_lock lock(mutex_);
            running_.reset();
            wake_.wait(lock, [this] { return stopping_ || waiting_; });
            if (stopping_) return;
            task = std::move(waiting_);
            waiting_ = nullptr;
            cancelled = running_ = std::make_shared<std::atomic<bool>>(false);
        }
        task(*cancelled);
    }
}

namespace {

// A conversion on a worker thread has nobody to show progress or messages
// to; letting events run is where it picks up a cancel request.
class WorkerEnvironment final : public JobEnvironment {
public:
    explicit WorkerEnvironment(const std::atomic<bool>& cancelled) : cancelled_(cancelled) {}
    void ShowProgress() override {}
    void HideProgress() override {}
    void SetProgressMax(float) override {}
    void SetProgressValue(float) override { DoEvents(); }
    void DoEvents() override {
        if (cancelled_) cancelRequested = true;
    }
    void SetBusyPointer(bool) override {}
    MsgResult MessageBox(const std::string&, MsgButtons buttons, MsgIcon, const std::string&) override {
        return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
    }
    bool OpenDocument(const std::string&) override { return false; }

private:
    const std::atomic<bool>& cancelled_;
};

// Hands the HTML on in pieces as it comes, up to the preview's limit.
class PreviewSink final : public OutputSink {
public:
    explicit PreviewSink(const PreviewEvents& events) : events_(events) {}

    void Append(std::string_view text) override {
        bytes_ += text.size();
        if (shown_ >= kPreviewHtmlLimit) return;
        fragmenter_.Feed(text);
        Send(false);
    }
    void Finish() {
        if (shown_ < kPreviewHtmlLimit) Send(true);
    }
    size_t Bytes() const { return bytes_; }
    bool Complete() const { return shown_ < kPreviewHtmlLimit; }

private:
    void Send(bool final) {
        for (std::string& piece : fragmenter_.Take(final)) {
            if (shown_ >= kPreviewHtmlLimit) return;
            shown_ += piece.size();
            events_.piece(std::move(piece), fragmenter_.StyleSheet());
        }
    }

    const PreviewEvents& events_;
    HtmlFragmenter fragmenter_;
    size_t bytes_ = 0;
    size_t shown_ = 0;
};

std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    std::string squeezed;
    for (char c : text)
        if (!(c == ' ' && !squeezed.empty() && squeezed.back() == ' ')) squeezed += c;
    return squeezed;
}

// The engine's messages name the pattern's line counted from 0 ("line 3 in
// a.hld"); the workbench counts from 1.
int32_t NamedLine(const std::string& message) {
    static const std::regex kLine("line ([0-9]+)");
    std::smatch found;
    if (!std::regex_search(message, found, kLine)) return 0;
    return static_cast<int32_t>(std::stol(found[1].str())) + 1;
}

size_t NextCharacter(std::string_view text, size_t pos) {
    ++pos;
    while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) ++pos;
    return pos;
}

}  // namespace

void ConvertForPreview(const std::string& definition, const std::string& fileName, const std::string& sample,
                       const std::atomic<bool>& cancelled, const PreviewEvents& events) {
    events.problems(CheckDefinitionText(definition, fileName));
    if (cancelled) return;
    HldTree hld;
    try {
        hld = LoadHldText(definition, fileName);
    } catch (const Error& e) {
        events.done(0, true, OneLine(e.Description()), NamedLine(e.Description()));
        return;
    }
    if (hld.sections.empty()) {
        events.done(0, true, "The definition has no sections.", 0);
        return;
    }
    WorkerEnvironment environment(cancelled);
    FormatOptions options;
    options.eventInterval = std::chrono::milliseconds(5);
    PreviewSink sink(events);
    std::string failure;
    try {
        size_t position = 0;
        if (hld.page) {
            // Wrapped in the page a conversion writes around it, with the default theme.
            const PageOptions pageOptions;
            PageWriter page(pageOptions, ThemesFolderFor(fileName));
            page.Begin(sink, "Preview", CountLines(sample));
            FormatSection(hld, hld.sections.at(0).second, sample, page.Body(), position, environment, options);
            page.End();
        } else {
            FormatSection(hld, hld.sections.at(0).second, sample, sink, position, environment, options);
        }
    } catch (const Error& e) {
        failure = OneLine(e.Description());
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (cancelled || environment.cancelRequested) return;
    sink.Finish();
    events.done(sink.Bytes(), sink.Complete(), failure, failure.empty() ? 0 : NamedLine(failure));
}

MatchCount CountPatternMatches(const std::string& definition, int32_t line, const std::string& sample,
                               const std::atomic<bool>& cancelled, size_t keepTexts) {
    MatchCount result;
    HldTree hld;
    try {
        hld = LoadHldText(definition, "");
    } catch (const Error&) {
        return result;  // the problem list tells why
    }
    const HldPattern* pattern = nullptr;
    bool ignoreCase = true;
    for (const auto& [name, section] : hld.sections)
        for (const HldRule& rule : section.rules)
            for (const HldPattern& candidate : rule.patterns)
                if (candidate.line + 1 == line) {
                    pattern = &candidate;
                    ignoreCase = section.ignoreCase;
                }
    if (!pattern) return result;
    result.line = line;
    try {
        // As a section compiles it: MultiLine stays off.
        CompiledRegex regex(pattern->pattern, ignoreCase, false);
        for (size_t from = 0; from <= sample.size() && !cancelled && regex.Search(sample, from);) {
            const size_t start = regex.Start(), end = regex.End();
            ++result.count;
            if (result.matches.size() < keepTexts) result.matches.push_back(sample.substr(start, end - start));
            from = end > start ? end : NextCharacter(sample, start);
        }
    } catch (const Error& e) {
        result.failure = OneLine(e.Description());
    }
    return result;
}

}  // namespace tintext
