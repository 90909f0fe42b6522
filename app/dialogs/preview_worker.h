// The workbench's background work: converting the sample with the definition
// as it stands in the editor, and counting one pattern's matches in the
// sample. Each runs on a worker thread of its own, so that editing never
// waits for it; a newer request cancels the one under way.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/definition_check.h"

namespace tintext {

// Runs one task at a time on its own thread. Submit cancels the task under
// way (its flag turns true) and replaces any task still waiting: only the
// latest request matters.
class LatestTaskRunner {
public:
    using Task = std::function<void(const std::atomic<bool>& cancelled)>;

    LatestTaskRunner();
    ~LatestTaskRunner();  // cancels, waits for the task under way
    LatestTaskRunner(const LatestTaskRunner&) = delete;
    LatestTaskRunner& operator=(const LatestTaskRunner&) = delete;

    void Submit(Task task);
    // Cancels the task under way and drops the waiting one.
    void CancelAll();

private:
    void Loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    Task waiting_;
    std::shared_ptr<std::atomic<bool>> running_;  // the cancel flag of the task under way
    bool stopping_ = false;
    std::thread thread_;
};

// What a preview conversion reports, in this order, from its worker thread.
struct PreviewEvents {
    // The problems the definition check finds; called first, once.
    std::function<void(std::vector<DefinitionProblem> problems)> problems;
    // The next piece of the preview (well-formed HTML) and the style sheets so far.
    std::function<void(std::string html, std::string styleSheet)> piece;
    // The end: converted bytes of sample and of HTML, whether all of the HTML
    // was shown, and the conversion's failure (empty when none), with the
    // definition line it names (counted from 1; 0 for none). Not called when cancelled.
    std::function<void(size_t htmlBytes, bool complete, std::string failure, int32_t failureLine)> done;
};

// The preview shows at most this much HTML; the conversion goes on to its
// end so that a failure further on is still reported.
inline constexpr size_t kPreviewHtmlLimit = 1024 * 1024;

// Checks the definition text, then converts the sample with it as a
// conversion job would (the first section, the whole sample), into memory.
// fileName names the definition in messages. Returns early once cancelled.
void ConvertForPreview(const std::string& definition, const std::string& fileName, const std::string& sample,
                       const std::atomic<bool>& cancelled, const PreviewEvents& events);

struct MatchCount {
    int32_t line = 0;                  // the PATTERN line, from 1
    size_t count = 0;
    std::vector<std::string> matches;  // the first matches' texts, in order, for marking
    std::string failure;               // the pattern does not compile or a search failed
};

// The matches in the sample of the pattern on the given line (from 1) of the
// definition, searched as its section searches (its IgnoreCase), one after
// the other. Nullopt-like: count 0 and no failure when the line holds no
// pattern. Stops early once cancelled.
MatchCount CountPatternMatches(const std::string& definition, int32_t line, const std::string& sample,
                               const std::atomic<bool>& cancelled, size_t keepTexts = 2000);

}  // namespace tintext
