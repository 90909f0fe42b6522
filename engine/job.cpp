#include "engine/job.h"

#include "support/user_folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>

#include "engine/definition_cache.h"
#include "engine/formatter.h"
#include "engine/hld_loader.h"
#include "engine/input_encoding.h"
#include "engine/language_table.h"
#include "engine/page.h"
#include "engine/theme.h"
#include "support/ascii_text.h"
#include "support/conversions.h"
#include "support/error.h"
#include "support/file_io.h"
#include "support/file_system_object.h"
#include "support/job_environment.h"
#include "support/output_file.h"
#include "support/program_info.h"
#include "support/strings2_component.h"
#include "support/system.h"
#include "support/text_codec.h"
#include "support/user_folders.h"

namespace tintext {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kStandardStream = "-";

// A definition of the shipped folder, or the user's own of the same name when there is one.
std::string PreferUsersOwn(const std::string& shippedFolder, const std::string& path) {
    const std::string prefix = shippedFolder + "/";
    if (path.compare(0, prefix.size(), prefix) != 0) return path;
    return FindDefaultDefinition(path.substr(prefix.size()));
}

bool HasPathSeparator(const std::string& path) { return path.find_first_of("/\\") != std::string::npos; }

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Both names lead to one existing regular file (the same path, a link,
// another spelling). A terminal or FIFO named twice is written into, not replaced.
bool SameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return S_ISREG(sb.st_mode) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// The formatted HTML goes straight into a new file beside the output, so it
// is never held whole; the output itself is replaced only when the writing
// step commits (a FIFO or device is written into as the text comes). The
// first failure is kept for that step to report, and nothing more is written
// after it (the new file is removed at once).
class TemporaryFileSink final : public OutputSink {
public:
    TemporaryFileSink(const std::string& destfile, Placement placement) : destfile_(destfile) {
        try {
            writer_.emplace(destfile, "Ostrand.System->WriteFileFromString", placement);
        } catch (const Error& e) {
            Remember(e);
        }
    }

    void Append(std::string_view text) override {
        if (!writer_) return;
        try {
            writer_->Write(text);
        } catch (const Error& e) {
            Remember(e);
        }
    }

    // The failure so far (the new file could not be made), or nullptr.
    const Error* Failure() const { return failure_ ? &*failure_ : nullptr; }

    // Puts the new file in the output's place, or raises the first failure.
    void Commit() {
        if (writer_) {
            try {
                writer_->Commit();
            } catch (const Error& e) {
                Remember(e);
            }
        }
        if (failure_) throw *failure_;
    }

private:
    // Described as for any failed file write: the file, the reason, the number.
    void Remember(const Error& e) {
        writer_.reset();
        failure_ = e.WithDescription(WritingErrorDescription(destfile_, e));
    }

    std::string destfile_;
    std::optional<OutputFile> writer_;
    std::optional<Error> failure_;
};

struct ErrorParts {
    int32_t number;
    std::string description;
};

class Job {
public:
    Job(const JobRequest& request, const JobServices& services)
        : r_(request), services_(services), env_(services.environment) {}

    JobOutcome Run() {
        try {
            return Steps();
        } catch (const Error& e) {
            return Unexpected({e.Number(), e.Description()});
        } catch (const std::bad_alloc&) {
            return Unexpected({err::OutOfMemory, RuntimeErrorText(err::OutOfMemory)});
        } catch (const std::exception& e) {
            return Unexpected({err::InternalError, e.what()});
        }
    }

private:
    const JobRequest& r_;
    const JobServices& services_;
    JobEnvironment& env_;
    std::string label_;
    std::string hldfile_;
    bool progressShown_ = false;
    bool busy_ = false;

    void Step(const char* label) { label_ = label; }

    // The input file's name; for standard input, the definition's language.
    std::string PageTitle(const std::string& language) const {
        if (StdinInput()) return language.empty() ? "Standard input" : language;
        return std::filesystem::path(r_.inputfilename).filename().string();
    }

    bool StdinInput() const { return r_.standardStreams && r_.inputfilename == kStandardStream; }
    bool StdoutOutput() const { return r_.standardStreams && r_.destfile == kStandardStream; }
    std::string InputName() const { return StdinInput() ? "standard input" : r_.inputfilename; }

    void Tell(const std::string& text, MsgIcon icon, const std::string& title) {
        env_.MessageBox(text, MsgButtons::Ok, icon, title);
    }
    void Warn(const std::string& text) { Tell(text, MsgIcon::Exclamation, ApplicationTitle()); }

    // "Unable to load <what>." with the reason: a missing file or path in
    // words, any other failure by its number and description.
    void WarnUnableToLoad(const std::string& what, const Error& e) {
        if (e.Number() == err::FileNotFound || e.Number() == err::PathNotFound) {
            Warn("Unable to load " + what + ". The input path or file was not found.");
        } else {
            Warn("Unable to load " + what + "." + kCrLf + "Error " + std::to_string(e.Number()) + ". " +
                 e.Description());
        }
    }

    void Busy(bool on) {
        env_.SetBusyPointer(on);
        busy_ = on;
    }

    // F8. The progress display and the pointer are put back so that the
    // program is usable after the message.
    JobOutcome Unexpected(const ErrorParts& e) {
        Warn("Error in processing file." + std::string(kCrLf) + "Error " + std::to_string(e.number) + ", " +
             e.description + kCrLf + "Hint: " + label_);
        if (progressShown_) env_.HideProgress();
        if (busy_) Busy(false);
        return JobOutcome::NotWritten;
    }

    JobOutcome Steps() {
        env_.cancelRequested = false;

        Step("Detect if outputfile exists");
        System system(env_, services_.createComponent);
        bool overwriteAllowed = false;
        bool exists = false;
        if (!StdoutOutput()) {
            try {
                exists = system.FileExists(r_.destfile);
            } catch (const Error& e) {
                Warn("Unable to determine if output file already exists (" + r_.destfile + "). " +
                     e.Description());
                return JobOutcome::NotWritten;
            }
        }
        if (exists) {
            if (r_.overwritemode == 1) {
                overwriteAllowed = true;
            } else if (r_.overwritemode == 2) {
                MsgResult answer = env_.MessageBox(
                    "The file \"" + r_.destfile + "\" already exists." + kCrLf + kCrLf +
                        "Do you want to overwrite this file?",
                    MsgButtons::YesNo, MsgIcon::Exclamation, "Warning");
                overwriteAllowed = answer == MsgResult::Yes;
            }
        } else {
            overwriteAllowed = true;
        }

        Step("Abort the process if overwrite is not allowed and the file already exists");
        if (!overwriteAllowed) {
            if (r_.overwritemode != 2) TellAlreadyExisted();
            return JobOutcome::NotWritten;
        }
        // Only a file the user agreed to replace is replaced: one that appears
        // while the input is converted is kept.
        const Placement placement = exists || r_.overwritemode == 1 ? Placement::Replace : Placement::NoReplace;

        Step("Load Input File");
        if (!StdinInput() && OutputIs(r_.inputfilename, "input")) return JobOutcome::NotWritten;
        std::string bytes;
        try {
            bytes = StdinInput() ? ReadStandardInput() : system.ReadFileBytes(r_.inputfilename);
        } catch (const Error& e) {
            WarnUnableToLoad("input file (" + r_.inputfilename + ")", e);
            return JobOutcome::NotWritten;
        }

        Step("Convert input to ansi characters");
        const std::string input = DecodeInputText(std::move(bytes));

        Step("Prepend hld folder if not given");
        const std::string given = SafeCStr(r_.hldfolder);
        hldfile_ = NamedDefinitionPath(r_.hldfile, given);

        Step("Get default hld");
        if (hldfile_.empty()) {
            const DefaultDefinition chosen = DefinitionFor(r_.inputfilename, given);
            hldfile_ = chosen.path;
            if (chosen.plainText) {
                env_.Note(NoteLevel::Normal, "no definition serves " + InputName() + ", so it is converted as plain text; "
                          "tintext --list shows the languages known, /lang=NAME picks one");
            }
        }
        env_.Note(NoteLevel::Detail, "definition: " + hldfile_);
        env_.Note(NoteLevel::Detail, "output: " + (StdoutOutput() ? std::string("standard output") : r_.destfile));

        Step("Read the hld");
        if (OutputIs(hldfile_, "definition")) return JobOutcome::NotWritten;
        HldTree loaded;
        const HldTree* tree = nullptr;
        try {
            if (r_.definitions) {
                tree = &r_.definitions->Load(hldfile_);
            } else {
                loaded = LoadHld(hldfile_);
                tree = &loaded;
            }
        } catch (const Error& e) {
            WarnUnableToLoad("the HLD file (" + hldfile_ + ")", e);
            return JobOutcome::NotWritten;
        }
        const HldTree& hld = *tree;

        Step("Read the theme");
        std::optional<PageWriter> page;
        if (hld.page) {
            const std::string themes = ThemesFolderFor(hldfile_);
            try {
                page.emplace(r_.page, themes);
            } catch (const Error& e) {
                Warn("Unable to load the theme \"" + r_.page.theme + "\" (" + themes + ")." + kCrLf + e.Description());
                return JobOutcome::NotWritten;
            }
        }

        // An output that cannot be written is told now, before the input is
        // formatted, with the message the writing step would give.
        std::optional<StringSink> memoryOutput;
        std::optional<TemporaryFileSink> fileOutput;
        if (StdoutOutput()) {
            memoryOutput.emplace();
        } else if (const Error* failure = fileOutput.emplace(r_.destfile, placement).Failure()) {
            TellWriteFailure(*failure, placement);
            return JobOutcome::NotWritten;
        }

        Step("Display the progress dialog");
        env_.ShowProgress();
        progressShown_ = true;
        env_.DoEvents();
        Busy(true);

        Step("Initialize progress bar");
        env_.SetProgressMax(static_cast<float>(input.size()));
        if (hld.sections.empty()) {
            throw Error(err::SubscriptOutOfRange, kProgramSource, "The syntax definition (" + hldfile_ + ") has no sections.");
        }
        const HldSection& first = hld.sections.at(0).second;

        Step("Format Section");
        // Standard output is written in one piece at the end, as a file is;
        // so is a page that is finished before it is written.
        std::optional<StringSink> heldPage;
        if (r_.finishPage && fileOutput) heldPage.emplace();
        OutputSink& output = memoryOutput ? static_cast<OutputSink&>(*memoryOutput)
                             : heldPage   ? static_cast<OutputSink&>(*heldPage)
                                          : *fileOutput;
        size_t position = 0;
        FormatOptions formatting;
        if (r_.definitions) formatting.regexes = &r_.definitions->Regexes();
        formatting.ticker = services_.ticker;
        if (page) {
            // Whether the templates keep line feeds out of tags matters only to marked lines.
            page->Begin(output, PageTitle(hld.language), CountLines(input),
                        r_.page.MarksLines() && LineFeedsOnlyInText(hld));
            FormatSection(hld, first, input, page->Body(), position, env_, formatting);
            page->End();
        } else {
            FormatSection(hld, first, input, output, position, env_, formatting);
        }
        // A Cancel that came when everything was formatted cut nothing off.
        const bool cancelled = env_.cancelRequested && position < input.size();
        env_.HideProgress();
        progressShown_ = false;
        if (cancelled && r_.keepPartialOutput && !r_.keepPartialOutput()) {
            Busy(false);  // the unwritten new file is removed with its sink
            env_.SetProgressValue(0);
            return JobOutcome::NotWritten;
        }

        Step("Write output");
        try {
            if (memoryOutput) {
                WriteStandardOutput(memoryOutput->text);
            } else {
                if (heldPage) fileOutput->Append(r_.finishPage(heldPage->text));
                fileOutput->Commit();
            }
        } catch (const Error& e) {
            TellWriteFailure(e, placement);
            Busy(false);
            return JobOutcome::NotWritten;
        }
        const JobOutcome written = cancelled ? JobOutcome::Cancelled : JobOutcome::Written;

        Step("Display output");
        const bool preferenceAllows =
            !services_.showOutputPreference || SafeCBool(Value(services_.showOutputPreference()));
        if (r_.showoutput && preferenceAllows && !StdoutOutput()) {
            try {
                env_.OpenDocument(r_.destfile);
            } catch (const Error& e) {
                Warn("Unable to display output file (" + r_.destfile + ")." + e.Description());
                Busy(false);
                return written;
            }
        }

        Step("Done");
        Busy(false);
        env_.SetProgressValue(0);
        return written;
    }

    void TellAlreadyExisted() {
        Tell("The output file already existed and overwrite was not allowed (" + r_.destfile +
                 "). The process was aborted",
             MsgIcon::Information, kProgramTitle);
    }

    // F6; a file that appeared at the output during the conversion is told as
    // one that was there at the start.
    void TellWriteFailure(const Error& e, Placement placement) {
        if (placement == Placement::NoReplace && e.Number() == err::FileAlreadyExists) {
            TellAlreadyExisted();
        } else {
            Warn("Unable to write output file (" + r_.destfile + ")." + e.Description());
        }
    }

    // Writing would replace the input or the definition with HTML: told, and the job ends.
    bool OutputIs(const std::string& file, const std::string& what) {
        if (StdoutOutput() || file.empty() || !SameFile(file, r_.destfile)) return false;
        Warn("The output file (" + r_.destfile + ") is the " + what + " file (" + file +
             "). The process was aborted, so that the " + what + " file is kept.");
        return true;
    }

    // The input's text, from the code page the user named or the input shows,
    // which a note names. DOS text is the text-conversion component's to decode.
    std::string DecodeInputText(std::string bytes) {
        const EncodingChoice encoding =
            ChooseInputEncoding(bytes, {r_.codePage, r_.codePageSource, r_.dostext != 0});
        for (const std::string& note : encoding.notes) env_.Note(NoteLevel::Detail, note);
        env_.Note(NoteLevel::Detail, "encoding: " + DescribeEncoding(encoding));
        if (r_.dostext == 0 || encoding.bomLength > 0) return DecodeInput(std::move(bytes), encoding);
        auto strings2 = std::dynamic_pointer_cast<Strings2>(services_.createComponent("Ostrand.Strings2", env_));
        if (!strings2) throw RuntimeError(err::CannotCreateObject);
        strings2->SetOemCodePage(encoding.codePage);
        return strings2->Oem2CharBuff(bytes);
    }

    // Standard input may be a pipe, which has no length to read by: it is
    // read to its end, then decoded like a file.
    static std::string ReadStandardInput() {
        std::string bytes;
        char buffer[1 << 16];
        for (;;) {
            ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n == 0) break;
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) throw Error(err::SystemFailure, kProgramSource, "Reading standard input failed: " + Reason());
            bytes.append(buffer, static_cast<size_t>(n));
        }
        return bytes;
    }

    static std::string Reason() { return std::strerror(errno); }

    static void WriteStandardOutput(const std::string& text) {
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
            throw Error(err::SystemFailure, kProgramSource,
                        "Writing to standard output failed: " + Reason());
        }
    }
};

}  // namespace

JobOutcome Process(const JobRequest& request, const JobServices& services) { return Job(request, services).Run(); }

std::string GetHLD(const Value& fileName) {
    const std::string extension = ToLowerAscii(FileSystemObject().GetExtensionName(SafeCStr(fileName)));
    std::string base = extension;
    if (extension == "vb" || extension == "bas" || extension == "ctl" || extension == "cls") {
        base = "vb";
    } else if (extension == "asp" || extension == "htm" || extension == "html") {
        base = "asp";
    }
    return base + ".hld";
}

std::string NamedDefinitionPath(const std::string& hldfile, const std::string& givenFolder) {
    // A bare name is a file of the current folder when there is one there,
    // else one of the definitions folder (the user's own first, when none is given).
    if (hldfile.empty() || HasPathSeparator(hldfile) || IsRegularFile(hldfile)) return hldfile;
    return givenFolder.empty() ? FindDefaultDefinition(hldfile) : givenFolder + "/" + hldfile;
}

DefaultDefinition DefinitionFor(const std::string& inputfilename, const std::string& givenFolder) {
    const std::string folder = givenFolder.empty() ? DefaultHldFolder() : givenFolder;
    DefaultDefinition chosen = ChooseDefaultDefinition(folder, inputfilename);
    if (givenFolder.empty()) chosen.path = PreferUsersOwn(folder, chosen.path);
    return chosen;
}

std::string DefaultHldFolder() {
    const std::string beside = ProgramFolder() + "/hld";
    if (FileSystemObject().FolderExists(beside)) return beside;
    // Installed layout: <prefix>/bin/tintext with <prefix>/share/tintext/hld.
    const std::string prefix = std::filesystem::path(ProgramFolder()).parent_path().string();
    return (prefix == "/" ? "" : prefix) + "/share/tintext/hld";
}

std::string UserHldFolder() { return DataFolder() + "/tintext/hld"; }

std::string FindDefaultDefinition(const std::string& bareName) {
    const std::string own = UserHldFolder() + "/" + bareName;
    if (FileSystemObject().FileExists(own)) return own;
    return DefaultHldFolder() + "/" + bareName;
}

}  // namespace tintext
