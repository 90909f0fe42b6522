#include "app/folder_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <thread>
#include <unordered_set>

#include "app/console_environment.h"
#include "app/page_links.h"
#include "app/site_index.h"
#include "app/site_stamp.h"
#include "app/source_tree.h"
#include "engine/definition_cache.h"
#include "engine/hld_loader.h"
#include "engine/job.h"
#include "engine/language_table.h"
#include "engine/theme.h"
#include "engine/ticker.h"
#include "support/error.h"
#include "support/output_file.h"
#include "support/ascii_text.h"
#include "support/job_environment.h"
#include "support/program_info.h"

namespace tintext {

namespace fs = std::filesystem;

namespace {

constexpr const char* kTitle = "tintext";
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
// Under the dialogs the waiting thread is the window's: it handles their events this often.
constexpr auto kEventInterval = std::chrono::milliseconds(20);
// How often a worker's conversion reports its position to the bar.
constexpr auto kWorkerEventInterval = std::chrono::milliseconds(20);
constexpr size_t kBarWidth = 20, kLineWidth = 79, kMessagesInOneBox = 30;

// A whole small file of the site, put in place as a page is.
void WriteSiteFile(const std::string& path, const std::string& text) {
    OutputFile file(path, "Ostrand.System->WriteFileFromString", Placement::Replace);
    file.Write(text);
    file.Commit();
}

size_t LinesOfFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    size_t lines = 0;
    char last = '\n';
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        const std::streamsize n = in.gcount();
        lines += static_cast<size_t>(std::count(buffer, buffer + n, '\n'));
        last = buffer[n - 1];
    }
    return lines + (last != '\n' ? 1 : 0);
}

bool Newer(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
}

// A short fingerprint of a text (64-bit FNV-1a), for the stamp.
std::string Fingerprint(const std::string& text) {
    uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

// What shapes every page of a run besides its file and definition: the
// page options, the theme's text, the choice of definitions and code page,
// and the program itself.
std::string StampOptions(const FolderRunOptions& o) {
    const PageOptions& page = o.page;
    std::string theme;
    try {
        theme = ThemeStylesheet(o.themesFolder, page.theme);
    } catch (const Error&) {
        // A theme that cannot be read fails each page; its text changes nothing.
    }
    std::string highlight;
    for (const LineRange& range : page.highlight)
        highlight += std::to_string(range.first) + "-" + std::to_string(range.last) + ",";
    auto flag = [](bool on) { return on ? "1" : "0"; };
    return "program=" + VersionText() + "\ntheme=" + page.theme + " " + Fingerprint(theme) +
           "\nfragment=" + flag(page.fragment) + "\nstylesheet=" + flag(page.stylesheet) +
           "\ninline=" + flag(page.inlineStyles) + "\nlinenumbers=" + flag(page.lineNumbers) +
           "\nhighlight=" + highlight + "\nwrap=" + flag(page.wrap) + "\nhld=" + o.hldfile +
           "\nhldfolder=" + o.hldfolder + "\nall=" + flag(o.all) + "\ndostext=" + std::to_string(o.dostext) +
           "\ncodepage=" + std::to_string(o.codePage.codePage) + "\n";
}

std::string Megabytes(uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

// Where the run's messages and progress go: at once on a terminal (clearing
// the bar first); under the dialogs, the progress to the progress dialog and
// the messages gathered into one message box at the end, since no worker
// thread may open a window.
class Reporter {
public:
    Reporter(JobEnvironment& outer, ConsoleEnvironment* console) : outer_(outer), console_(console) {}

    void Tell(const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!console_) {
            gathered_.push_back(text);
            return;
        }
        outer_.MessageBox(text, MsgButtons::Ok, MsgIcon::Exclamation, kTitle);
    }

    void Note(NoteLevel level, const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!console_) return;
        outer_.Note(level, text);
    }

    // Under the dialogs, the progress dialog (when the run has the window's
    // thread, a batch run from the desktop, its events are handled in Draw).
    void Start() {
        if (console_) return;
        outer_.SetProgressMax(0);
        outer_.ShowProgress();
        outer_.SetBusyPointer(true);
    }

    // The bar: files and bytes done, the file under way.
    void Draw(size_t filesDone, size_t files, uint64_t bytesDone, uint64_t bytes, const std::string& current) {
        const std::string counts = std::to_string(filesDone) + "/" + std::to_string(files) + " files, " +
                                   Megabytes(bytesDone) + "/" + Megabytes(bytes) + " MB";
        if (!console_) {
            outer_.SetProgressMax(static_cast<float>(bytes));
            outer_.SetProgressValue(static_cast<float>(bytesDone));
            outer_.SetProgressText(counts + "\n" + current);
            outer_.DoEvents();
            return;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (!console_->progressBar) return;
        const size_t filled = bytes ? static_cast<size_t>(kBarWidth * std::min(bytesDone, bytes) / bytes) : kBarWidth;
        std::string line = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, ' ') + "] " + counts + " ";
        if (line.size() < kLineWidth) line += current.substr(0, kLineWidth - line.size());
        console_->ShowStatusLine(line);
    }

    void ClearBar() {
        if (!console_) {
            outer_.HideProgress();
            outer_.SetBusyPointer(false);
            return;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        console_->ClearStatusLine();
    }

    // The summary line; under the dialogs, with the messages gathered.
    void Finish(const std::string& summary, bool quiet) {
        ClearBar();
        if (console_) {
            if (!quiet) outer_.Note(NoteLevel::Normal, summary);
            return;
        }
        std::string text;
        for (size_t i = 0; i < gathered_.size() && i < kMessagesInOneBox; ++i) text += gathered_[i] + "\r\n";
        if (gathered_.size() > kMessagesInOneBox)
            text += "... and " + std::to_string(gathered_.size() - kMessagesInOneBox) + " more\r\n";
        outer_.MessageBox(text + summary, MsgButtons::Ok,
                          gathered_.empty() ? MsgIcon::Information : MsgIcon::Exclamation, ApplicationTitle());
    }

private:
    JobEnvironment& outer_;
    ConsoleEnvironment* console_;
    std::mutex mutex_;
    std::vector<std::string> gathered_;
};

// One file to convert, with the definition chosen for it.
struct Work {
    const TreeFile* file;
    std::string page;
    std::string definition;
    int32_t overwritemode;
    size_t planned;  // its place among the planned files
};

struct Counts {
    std::atomic<size_t> written{0}, failed{0}, cancelled{0}, filesDone{0};
    std::atomic<uint64_t> bytesDone{0};
};

// What a job on a worker thread sees of its surroundings: messages go to the
// reporter with the file's name, progress to the worker's counter, and the
// run's cancel request (Ctrl-C) becomes the job's at its next step.
class WorkerEnvironment final : public JobEnvironment {
public:
    WorkerEnvironment(Reporter& reporter, const JobEnvironment& outer, std::atomic<uint64_t>& position)
        : reporter_(reporter), outer_(outer), position_(position) {}

    std::string file;

    void ShowProgress() override {}
    void HideProgress() override {}
    void SetProgressMax(float) override {}
    void SetProgressValue(float value) override {
        position_ = static_cast<uint64_t>(value);
        DoEvents();
    }
    void DoEvents() override {
        if (outer_.cancelRequested) cancelRequested = true;
    }
    void SetBusyPointer(bool) override {}
    MsgResult MessageBox(const std::string& text, MsgButtons buttons, MsgIcon, const std::string&) override {
        reporter_.Tell(file + ": " + text);
        return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
    }
    bool OpenDocument(const std::string&) override { return false; }
    void Note(NoteLevel level, const std::string& text) override { reporter_.Note(level, file + ": " + text); }

private:
    Reporter& reporter_;
    const JobEnvironment& outer_;
    std::atomic<uint64_t>& position_;
};

// The definition each file gets when none is named. The choice depends on
// the file's name only through its extension, unless the folder has a
// definition named after the whole name, so it is made once per extension.
class DefinitionChooser {
public:
    explicit DefinitionChooser(const std::string& givenFolder)
        : given_(givenFolder), folder_(givenFolder.empty() ? DefaultHldFolder() : givenFolder) {}

    DefaultDefinition For(const std::string& path) {
        const std::string name = fs::path(path).filename().string();
        const size_t dot = name.rfind('.');
        std::string key = dot == std::string::npos ? "none" : (dot == 0 ? "dotfile:" : "ext:") + ToLowerAscii(name.substr(dot + 1));
        struct stat st {};
        if (::stat((folder_ + "/" + name + ".hld").c_str(), &st) == 0) key = "name:" + name;
        auto found = chosen_.find(key);
        if (found == chosen_.end()) found = chosen_.emplace(key, DefinitionFor(path, given_)).first;
        return found->second;
    }

private:
    std::string given_, folder_;
    std::map<std::string, DefaultDefinition> chosen_;
};

bool Inside(const fs::path& inner, const fs::path& outer) {
    auto o = outer.begin(), i = inner.begin();
    for (; o != outer.end(); ++o, ++i)
        if (i == inner.end() || *i != *o) return false;
    return true;
}

class FolderRun {
public:
    FolderRun(const FolderRunOptions& options, JobEnvironment& environment, ConsoleEnvironment* console)
        : o_(options), console_(console), outer_(environment), reporter_(outer_, console) {}

    int Run() {
        if (const int status = CheckFolders(); status != 0) return status;
        SetInterruptNote("\nCancelling: the pages finished are kept, those under way are not written. "
                         "Press Ctrl-C again to stop at once.\n");
        TreeFilter filter{o_.include, o_.exclude, 0, 0};
        struct stat destStat {};
        if (::stat(o_.dest.c_str(), &destStat) == 0) {
            filter.skipDevice = destStat.st_dev;
            filter.skipInode = destStat.st_ino;
        }
        tree_ = WalkSourceTree(o_.source, filter);
        for (const std::string& problem : tree_.problems) reporter_.Tell(problem);
        std::vector<Work> work = Plan();
        MakeFolders(work);
        const bool linked = WriteStylesheet();
        Convert(work, linked);
        if (!outer_.cancelRequested) {
            WriteIndex();
            WriteStamp();
        }
        return Finish();
    }

private:
    const FolderRunOptions& o_;
    ConsoleEnvironment* console_;
    JobEnvironment& outer_;
    Reporter reporter_;
    SourceTree tree_;
    std::vector<Work> planned_files_;  // every file that has (or should have) a page
    std::unordered_set<std::string> withPage_;  // their paths in the tree, for the links between pages
    // Each planned file's line count for the index, counted by the worker
    // that converted it while the file is fresh in the cache, so that the
    // index, written after the workers, does not read the whole tree alone.
    std::vector<size_t> lines_;
    static constexpr size_t kNotCounted = SIZE_MAX;
    Counts counts_;
    size_t skipped_ = 0, kept_ = 0, planned_ = 0, siteFailures_ = 0;
    SiteStamp stamp_;  // what this run's pages are made with
    std::map<std::string, std::vector<std::string>> definitionFiles_;  // each with the files it takes in
    bool stampChanged_ = false;

    int Usage(const std::string& text) {
        reporter_.Tell(text);
        reporter_.Finish("Nothing was converted.", true);
        return 2;
    }

    int CheckFolders() {
        if (o_.dest.empty())
            return Usage("a folder input (" + o_.source + ") needs /out=FOLDER, the folder that receives the pages");
        std::error_code error;
        const fs::path source = fs::canonical(o_.source, error);
        if (error) return Usage("the input folder " + o_.source + " cannot be used: " + error.message());
        const fs::path dest = fs::weakly_canonical(o_.dest, error);
        if (error) return Usage("the output folder " + o_.dest + " cannot be used: " + error.message());
        if (dest == source)
            return Usage("the output folder (" + o_.dest + ") is the input folder: the pages would be mixed with the "
                         "sources. Name another folder with /out");
        if (Inside(dest, source)) {
            const std::string relative = dest.lexically_relative(source).generic_string();
            const bool excluded = std::any_of(o_.exclude.begin(), o_.exclude.end(), [&](const std::string& pattern) {
                return TreePatternMatches(pattern, relative) || TreePatternMatches(pattern, relative + "/");
            });
            if (!excluded)
                return Usage("the output folder (" + o_.dest + ") is inside the input folder (" + o_.source +
                             "); exclude it (/exclude=" + relative + ") so that its pages are never converted, or "
                             "name a folder outside");
        }
        fs::create_directories(o_.dest, error);
        if (error) {
            reporter_.Tell("the output folder " + o_.dest + " cannot be made: " + error.message());
            reporter_.Finish("Nothing was converted.", true);
            return 1;
        }
        return 0;
    }

    // Every file that gets a page, with its definition.
    void ChoosePages() {
        DefinitionChooser chooser(o_.hldfolder);
        const std::string named = NamedDefinitionPath(o_.hldfile, o_.hldfolder);
        for (const TreeFile& file : tree_.files) {
            std::string definition = named;
            if (definition.empty()) {
                const DefaultDefinition chosen = chooser.For(file.path);
                if (chosen.plainText && !o_.all) continue;
                definition = chosen.path;
            }
            planned_files_.push_back({&file, PagePathFor(o_.dest, file.relative), definition, o_.overwritemode,
                                      planned_files_.size()});
            withPage_.insert(file.relative);
        }
        planned_ = planned_files_.size();
        lines_.assign(planned_, kNotCounted);
    }

    // The files to convert, largest first, each with its definition and
    // what may happen to a page already there.
    std::vector<Work> Plan() {
        ChoosePages();
        stamp_.options = StampOptions(o_);
        for (const Work& item : planned_files_) stamp_.files.push_back(item.file->relative);
        std::sort(stamp_.files.begin(), stamp_.files.end());
        const StaleTest stale(ReadSiteStamp(o_.dest), stamp_);
        stampChanged_ = stale.Changed();
        // Pages made from here on are not those the old stamp describes.
        if (stampChanged_) RemoveSiteStamp(o_.dest);
        std::vector<Work> work, asked;
        for (Work item : planned_files_) {
            struct stat page {};
            if (::stat(item.page.c_str(), &page) != 0) {
                work.push_back(std::move(item));
                continue;
            }
            const bool upToDate = Newer(page.st_mtim, item.file->modified) &&
                                  !DefinitionNewerThan(item.definition, page.st_mtim) && !o_.force &&
                                  !stale.Stale(item.file->path);
            if (upToDate) {
                ++skipped_;
            } else if (o_.overwritemode == 1) {
                work.push_back(std::move(item));
            } else if (o_.overwritemode == 2) {
                asked.push_back(std::move(item));
            } else {
                ++kept_;
            }
        }
        if (!asked.empty()) {
            const std::string count = asked.size() == 1 ? "1 page" : std::to_string(asked.size()) + " pages";
            const MsgResult answer = outer_.MessageBox(
                count + " in \"" + o_.dest + "\" already exist." + "\r\n\r\n" + "Do you want to overwrite them?",
                MsgButtons::YesNo, MsgIcon::Exclamation, "Warning");
            if (answer == MsgResult::Yes) {
                for (Work& item : asked) {
                    item.overwritemode = 1;
                    work.push_back(std::move(item));
                }
            } else {
                kept_ += asked.size();
            }
        }
        std::stable_sort(work.begin(), work.end(),
                         [](const Work& a, const Work& b) { return a.file->size > b.file->size; });
        return work;
    }

    // The folders of the pages; a file whose folder cannot be made fails here.
    void MakeFolders(std::vector<Work>& work) {
        std::set<std::string> made;
        std::erase_if(work, [&](const Work& item) {
            const std::string folder = fs::path(item.page).parent_path().string();
            if (made.count(folder)) return false;
            std::error_code error;
            fs::create_directories(folder, error);
            if (!error) {
                made.insert(folder);
                return false;
            }
            reporter_.Tell(item.file->relative + ": the folder " + folder + " cannot be made: " + error.message());
            ++counts_.failed;
            return true;
        });
    }

    // The theme's stylesheet with the site's rules, once for every page;
    // false when the pages keep a stylesheet of their own.
    bool WriteStylesheet() {
        const PageOptions& page = o_.page;
        if (page.inlineStyles || page.fragment || !page.stylesheet) return false;
        try {
            WriteSiteFile(o_.dest + "/" + kSiteStylesheet, ThemeStylesheet(o_.themesFolder, page.theme) + SiteStylesheetRules());
            return true;
        } catch (const Error& e) {
            reporter_.Tell("the stylesheet " + o_.dest + "/" + kSiteStylesheet + " was not written, so each page has its own: " + e.Description());
            return false;
        }
    }

    // The index of every page there is, written or up to date.
    void WriteIndex() {
        std::map<std::string, std::string> languages;
        std::vector<IndexEntry> entries;
        for (const Work& item : planned_files_) {
            struct stat st {};
            if (::stat(item.page.c_str(), &st) != 0) continue;
            auto language = languages.find(item.definition);
            if (language == languages.end()) {
                const std::optional<Language> read = ReadLanguage(item.definition);
                language = languages.emplace(item.definition, read ? read->DisplayName() : fs::path(item.definition).stem().string()).first;
            }
            const size_t lines = lines_[item.planned] != kNotCounted ? lines_[item.planned] : LinesOfFile(item.file->path);
            entries.push_back({item.file->relative, item.file->size, language->second, lines});
        }
        try {
            WriteSiteFile(o_.dest + "/" + kIndexPage, SiteIndexHtml(fs::weakly_canonical(o_.source).filename().string(), std::move(entries)));
        } catch (const Error& e) {
            reporter_.Tell("the index " + o_.dest + "/" + kIndexPage + " was not written: " + e.Description());
            ++siteFailures_;
        }
    }

    // Whether the definition, or one that it takes in (INCLUDE), changed after `time`.
    bool DefinitionNewerThan(const std::string& definition, const struct timespec& time) {
        auto known = definitionFiles_.find(definition);
        if (known == definitionFiles_.end()) {
            std::vector<std::string> files{definition};
            try {
                const std::vector<std::string> included = LoadHld(definition).includedFiles;
                files.insert(files.end(), included.begin(), included.end());
            } catch (const Error&) {
                // The conversion will tell; its own time is all there is to go by.
            }
            known = definitionFiles_.emplace(definition, std::move(files)).first;
        }
        return std::any_of(known->second.begin(), known->second.end(), [&](const std::string& file) {
            struct stat def {};
            return ::stat(file.c_str(), &def) == 0 && !Newer(time, def.st_mtim);
        });
    }

    // Once every page is made with this run's options, or marked out of
    // date when its file failed; a page kept as it was may be older.
    void WriteStamp() {
        if (!stampChanged_ || kept_ > 0) return;
        try {
            WriteSiteStamp(o_.dest, stamp_);
        } catch (const Error& e) {
            reporter_.Tell("the stamp " + o_.dest + "/" + kSiteStamp + " was not written, so the next run converts "
                           "every page again: " + e.Description());
        }
    }

    void Convert(const std::vector<Work>& work, bool linked) {
        unsigned jobs = o_.jobs;
        if (jobs == 0) jobs = static_cast<unsigned>(std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN)));
        jobs = static_cast<unsigned>(std::min<size_t>(jobs, std::max<size_t>(work.size(), 1)));
        uint64_t bytes = 0;
        for (const Work& item : work) bytes += item.file->size;
        std::atomic<size_t> next{0};
        std::vector<std::atomic<uint64_t>> positions(jobs);
        std::vector<std::atomic<const Work*>> current(jobs);
        for (auto& c : current) c = nullptr;
        std::vector<std::thread> workers;
        for (unsigned w = 0; w < jobs; ++w) {
            workers.emplace_back([&, w] {
                WorkerEnvironment env(reporter_, outer_, positions[w]);
                DefinitionCache definitions;
                std::optional<Ticker> ticker;  // one thread per worker, not one per file
                try {
                    ticker.emplace(kWorkerEventInterval);
                } catch (const std::system_error&) {
                }
                for (size_t i; !outer_.cancelRequested && (i = next++) < work.size();) {
                    current[w] = &work[i];
                    ConvertOne(work[i], env, definitions, ticker ? &*ticker : nullptr, linked);
                    current[w] = nullptr;
                    positions[w] = 0;
                }
            });
        }
        std::atomic<bool> finished{false};
        std::thread joiner([&] {
            for (std::thread& worker : workers) worker.join();
            finished = true;
        });
        reporter_.Start();
        while (!finished) {
            std::this_thread::sleep_for(console_ ? kRedrawInterval : kEventInterval);
            uint64_t done = counts_.bytesDone;
            std::string name;
            for (unsigned w = 0; w < jobs; ++w) {
                done += positions[w];
                if (const Work* item = current[w].load(); item && name.empty()) name = item->file->relative;
            }
            reporter_.Draw(counts_.filesDone, work.size(), done, bytes, name);
        }
        joiner.join();
        reporter_.ClearBar();
    }

    void ConvertOne(const Work& item, WorkerEnvironment& env, DefinitionCache& definitions, Ticker* ticker,
                    bool linked) {
        env.file = item.file->relative;
        JobRequest request;
        request.inputfilename = item.file->path;
        request.destfile = item.page;
        request.hldfile = item.definition;
        request.hldfolder = Value(o_.hldfolder);
        request.overwritemode = item.overwritemode;
        request.showoutput = false;
        request.dostext = o_.dostext;
        request.codePage = o_.codePage.codePage;
        request.codePageSource = o_.codePage.source;
        request.page = o_.page;
        request.page.bar = PageBarHtml(item.file->relative);
        if (linked) request.page.stylesheetHref = UpToRoot(item.file->relative) + kSiteStylesheet;
        request.keepPartialOutput = [] { return false; };  // a cancelled run leaves no partial page
        request.finishPage = [this, &item](std::string_view html) {
            return LinkPages(html, item.file->relative,
                             [this](const std::string& path) { return withPage_.count(path) > 0; });
        };
        request.definitions = &definitions;
        const JobOutcome outcome = Process(request, JobServices{env, nullptr, ticker});
        if (outcome == JobOutcome::Written) {
            lines_[item.planned] = LinesOfFile(item.file->path);
            ++counts_.written;
        } else if (env.cancelRequested) {
            ++counts_.cancelled;
        } else {
            ++counts_.failed;
            // An earlier page of a file that failed now is out of date, whatever the stamp says.
            const struct timespec epoch[2] = {{0, 0}, {0, 0}};
            ::utimensat(AT_FDCWD, item.page.c_str(), epoch, 0);
        }
        counts_.bytesDone += item.file->size;
        ++counts_.filesDone;
    }

    int Finish() {
        const size_t failed = counts_.failed + tree_.problems.size() + siteFailures_;
        const size_t notDone = planned_ - counts_.written - counts_.failed - counts_.cancelled - skipped_ - kept_;
        std::string summary = std::to_string(planned_) + (planned_ == 1 ? " file: " : " files: ") +
                              std::to_string(counts_.written) + " written, " + std::to_string(skipped_) +
                              " skipped (up to date), " + std::to_string(counts_.failed) + " failed";
        if (kept_ > 0) summary += ", " + std::to_string(kept_) + " kept (the page exists; /overwrite=1 replaces it)";
        if (outer_.cancelRequested)
            summary += ", " + std::to_string(counts_.cancelled + notDone) + " not done (cancelled)";
        if (!tree_.problems.empty())
            summary += "; " + std::to_string(tree_.problems.size()) + " folder or file problems";
        reporter_.Finish(summary, console_ && console_->quiet);
        if (outer_.cancelRequested) return 3;
        return failed == 0 && kept_ == 0 ? 0 : 1;
    }
};

}  // namespace

std::string PagePathFor(const std::string& dest, const std::string& relative) { return dest + "/" + relative + ".htm"; }

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int RunFolder(const FolderRunOptions& options, JobEnvironment& environment, ConsoleEnvironment* console) {
    return FolderRun(options, environment, console).Run();
}

}  // namespace tintext
