#include "cli/cli.h"

#include "app/job.h"
#include "app/settings.h"
#include "app/settings_file.h"
#include "merge/attachments.h"
#include "merge/grid_reader.h"
#include "merge/job_file.h"
#include "merge/mailing_grid.h"
#include "merge/template_engine.h"
#include "send/mailing_run.h"
#include "send/message.h"
#include "send/smtp_client.h"
#include "text/code_page.h"
#include "text/error.h"
#include "text/file_io.h"
#include "text/path_text.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>

namespace quillory::cli {

namespace {

constexpr const char* programName = "quillory-cli";
constexpr const char* versionText = "quillory v0.97";
// The window's executable, whose settings file the tool shares.
#ifdef _WIN32
constexpr const char* windowExecutable = "quillory.exe";
#else
constexpr const char* windowExecutable = "quillory";
#endif
constexpr std::size_t defaultWrap = 76;

// Ends the command with a message on standard error and the exit code.
struct Refusal {
    int exitCode;
    std::string message; // code-page text
    bool showHelpHint = false;
};

Refusal usage(std::string message) { return {exitRefused, std::move(message), true}; }

struct Options {
    std::string command;
    std::vector<std::string> positional;
    std::optional<std::string> grid, templateFile, subject, addressColumn;
    std::vector<std::string> attach;
    bool live = false;
    bool force = false;
    std::optional<std::string> host, fromName, fromAddress, logFile, settingsFile;
    std::optional<int> port, timeoutMs, wrap;
};

int parseNumber(const std::string& option, const std::string& value, int min, int max) {
    int n = 0;
    const char* end = value.data() + value.size();
    const auto [ptr, ec] = std::from_chars(value.data(), end, n);
    if (value.empty() || ec != std::errc() || ptr != end || n < min || n > max)
        throw usage(option + " needs a whole number from " + std::to_string(min) + " to " + std::to_string(max) +
                    ", not \"" + value + "\"");
    return n;
}

Options parseArguments(const std::vector<std::string>& args) {
    Options o;
    if (args.empty()) throw usage("no command given");
    o.command = args[0];
    const bool sending = o.command == "send";
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string arg = args[i];
        std::optional<std::string> inlineValue;
        if (arg.rfind("--", 0) == 0) {
            if (const auto eq = arg.find('='); eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                arg.resize(eq);
            }
        } else {
            o.positional.push_back(arg);
            continue;
        }
        auto value = [&]() -> std::string {
            if (inlineValue) return *inlineValue;
            if (i + 1 >= args.size()) throw usage(arg + " needs a value");
            return args[++i];
        };
        auto flag = [&] {
            if (inlineValue) throw usage(arg + " takes no value");
            return true;
        };
        if (arg == "--grid")
            o.grid = value();
        else if (arg == "--template")
            o.templateFile = value();
        else if (arg == "--subject")
            o.subject = value();
        else if (arg == "--attach")
            o.attach.push_back(value());
        else if (arg == "--address-column")
            o.addressColumn = value();
        else if (sending && arg == "--live")
            o.live = flag();
        else if (sending && arg == "--force")
            o.force = flag();
        else if (sending && arg == "--host")
            o.host = value();
        else if (sending && arg == "--port")
            o.port = parseNumber(arg, value(), 1, 65535);
        else if (sending && arg == "--timeout")
            o.timeoutMs = parseNumber(arg, value(), 1, 3'600'000);
        else if (sending && arg == "--from-name")
            o.fromName = value();
        else if (sending && arg == "--from-address")
            o.fromAddress = value();
        else if (sending && arg == "--log")
            o.logFile = value();
        else if (sending && arg == "--wrap")
            o.wrap = parseNumber(arg, value(), 0, 1'000'000);
        else if (sending && arg == "--settings")
            o.settingsFile = value();
        else
            throw usage("unknown option " + arg + " for " + o.command);
    }

    const bool fromFiles = o.grid || o.templateFile;
    const std::size_t jobArgs = fromFiles ? 0 : 1;
    const std::size_t wanted = jobArgs + (o.command == "preview" ? 1 : 0);
    if (fromFiles && !(o.grid && o.templateFile)) throw usage("--grid and --template go together");
    if (!fromFiles && (o.subject || !o.attach.empty() || o.addressColumn))
        throw usage("--subject, --attach and --address-column go with --grid and --template");
    if (o.positional.size() != wanted) {
        if (o.positional.size() > wanted) throw usage("unexpected argument \"" + o.positional[wanted] + "\"");
        if (o.positional.size() < jobArgs) throw usage(o.command + " needs a job file, or --grid and --template");
        throw usage("preview needs a row number");
    }
    return o;
}

std::string absolutePath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::absolute(text::nativePath(path), ec);
    return ec ? path : text::pathText(p.lexically_normal());
}

bool fileExists(const std::string& path) { return text::fileExists(path); }

// The job as the window holds it after opening: grid, address column, subject, attachments,
// and the template pane's text, which the Job does not hold.
struct LoadedJob {
    std::string templateText;
    std::vector<merge::UserMessage> messages;
};

int detectedAddressColumn(const app::Job& job) {
    const auto found = merge::detectAddressColumn(job.mailingGrid);
    return found.columnsWithAt == 1 ? found.lastColumn : -1;
}

void readGridFile(const std::string& path, app::Job& job, LoadedJob& loaded) {
    const std::string ext = text::CodePage::windows1252().toLower(text::fileExt(path));
    merge::GridReadResult r;
    if (ext == ".csv")
        r = merge::readDelimitedText(path, ',', job.bufferGrid, job.mailingGrid);
    else if (ext == ".xls")
        r = merge::readExcelWorkbook(path, job.bufferGrid, job.mailingGrid);
    else
        r = merge::readDelimitedText(path, '\t', job.bufferGrid, job.mailingGrid);
    loaded.messages.insert(loaded.messages.end(), r.messages.begin(), r.messages.end());
}

LoadedJob loadJob(const Options& o, app::Job& job) {
    LoadedJob loaded;
    if (!o.grid) {
        merge::JobReadResult r = merge::readJobFile(o.positional[0], merge::JobReadMode::WholeJob, job, fileExists);
        // The file's address column overrides the detection that a new grid runs.
        const int fileColumn = job.addressCol;
        if (r.gridReplaced) job.addressCol = detectedAddressColumn(job);
        if (r.addressColumnRead)
            job.addressCol =
                fileColumn >= job.firstDataCol && fileColumn < job.mailingGrid.columnCount() ? fileColumn : -1;
        loaded.templateText = r.templateText.value_or(std::string());
        loaded.messages = std::move(r.messages);
        return loaded;
    }

    readGridFile(*o.grid, job, loaded);
    job.addressCol = detectedAddressColumn(job);
    if (o.addressColumn) {
        job.addressCol = merge::findColumnByHeading(job.mailingGrid, *o.addressColumn);
        if (job.addressCol < 0) throw Refusal{exitRefused, "no column is headed \"" + *o.addressColumn + "\""};
    }
    merge::TemplateReadResult t = merge::readTemplateFile(*o.templateFile);
    loaded.templateText = std::move(t.text);
    loaded.messages.insert(loaded.messages.end(), t.messages.begin(), t.messages.end());
    job.subject = o.subject.value_or(std::string());
    for (const std::string& given : o.attach) {
        const std::string path = absolutePath(given);
        // Sending without an attachment that the command line asked for is never what was meant.
        if (!text::fileExists(path)) throw Refusal{exitRefused, "Cannot find " + path + " for attaching"};
        merge::attachFile(job.attachmentList, path);
    }
    return loaded;
}

class ConsoleObserver final : public log::LogWriterObserver {
public:
    explicit ConsoleObserver(std::ostream& err) : m_err(err) {}
    void info(const std::string&, const std::string& text) override { m_err << consoleText(text) << '\n'; }
    void error(const std::string&, const std::string& text) override {
        m_err << programName << ": " << consoleText(text) << '\n';
    }

private:
    std::ostream& m_err;
};

// Rows done, rows failed and the rate: redrawn in place on a terminal, one line per 1,000
// rows otherwise (a log file or a pipe would fill with redraws).
class ProgressReport final {
public:
    ProgressReport(std::ostream& err, bool bar, int total) : m_err(err), m_bar(bar), m_total(total) {}

    void rowDone(int done, int failed) {
        if (m_bar) {
            const auto now = Clock::now();
            if (done < m_total && now - m_lastDraw < std::chrono::milliseconds(100)) return;
            m_lastDraw = now;
            drawBar(done, failed);
        } else if (done % 1000 == 0) {
            m_err << done << " of " << m_total << " rows, " << failed << " failed, " << rate(done) << " rows/s\n";
        }
    }

    void end() {
        if (m_drawn) m_err << '\n';
        m_err.flush();
    }

private:
    using Clock = std::chrono::steady_clock;

    long rate(int done) const {
        const double seconds = std::chrono::duration<double>(Clock::now() - m_start).count();
        return seconds > 0 ? static_cast<long>(done / seconds + 0.5) : 0;
    }

    void drawBar(int done, int failed) {
        constexpr int width = 30;
        const int filled = m_total > 0 ? static_cast<int>(static_cast<long long>(done) * width / m_total) : width;
        std::string line = "\r[" + std::string(filled, '#') + std::string(width - filled, '-') + "] " +
                           std::to_string(done) + "/" + std::to_string(m_total) + " rows, " +
                           std::to_string(failed) + " failed, " + std::to_string(rate(done)) + " rows/s";
        // Blanks wipe what a longer earlier line left behind.
        const std::size_t length = line.size();
        if (length < m_lastLength) line.append(m_lastLength - length, ' ');
        m_lastLength = length;
        m_err << line << std::flush;
        m_drawn = true;
    }

    std::ostream& m_err;
    bool m_bar;
    int m_total;
    Clock::time_point m_start = Clock::now();
    Clock::time_point m_lastDraw{};
    std::size_t m_lastLength = 0;
    bool m_drawn = false;
};

int preview(const Options& o, Surroundings& s) {
    app::Job job;
    const LoadedJob loaded = loadJob(o, job);
    for (const auto& m : loaded.messages) s.err << programName << ": " << consoleText(m.text) << '\n';
    const std::string& rowText = o.positional.back();
    int row = 0;
    const auto [ptr, ec] = std::from_chars(rowText.data(), rowText.data() + rowText.size(), row);
    if (rowText.empty() || ec != std::errc() || ptr != rowText.data() + rowText.size() ||
        !merge::isDataRow(job.mailingGrid, row))
        throw Refusal{exitRefused, "row " + rowText + " is not a data row (the grid has " +
                                       std::to_string(merge::dataRowCount(job.mailingGrid)) + ")"};
    const std::string message = merge::mergeTemplate(loaded.templateText + "\r\n", merge::headings(job.mailingGrid),
                                                     merge::rowValues(job.mailingGrid, row));
    s.out.write(message.data(), static_cast<std::streamsize>(message.size()));
    s.out.flush();
    return exitOk;
}

int check(const Options& o, Surroundings& s) {
    app::Job job;
    const LoadedJob loaded = loadJob(o, job);
    for (const auto& m : loaded.messages) s.err << programName << ": " << consoleText(m.text) << '\n';
    const merge::TokenCheck c = merge::checkTemplateTokens(loaded.templateText, merge::headings(job.mailingGrid));
    if (!c.askToContinue) return exitOk;
    s.out << consoleText(c.report) << '\n';
    return exitCheckWouldAsk;
}

std::string windowExecutableBeside(const std::string& exePath) {
    const std::string dir = text::fileDir(exePath);
    return dir.empty() ? std::string(windowExecutable) : text::withTrailingSeparator(dir) + windowExecutable;
}

int send(const Options& o, Surroundings& s) {
    app::Job job;
    app::Settings settings;

    // The settings file the window uses, unless another is named; the window's is optional.
    const app::SettingsLocation where =
        app::settingsLocation(windowExecutableBeside(s.exePath), s.userDirs.configDir, s.userDirs.dataDir,
                              [](const std::string& dir) { return text::isWritableDirectory(dir); });
    const std::string settingsPath = o.settingsFile ? *o.settingsFile : where.settingsFile;
    const bool settingsRead = app::loadSettings(settingsPath, settings, job, where.logDir, fileExists);
    if (o.settingsFile && !settingsRead) throw Refusal{exitRefused, "cannot read the settings file " + settingsPath};

    const LoadedJob loaded = loadJob(o, job);
    bool loadErrors = false;
    for (const auto& m : loaded.messages) {
        s.err << programName << ": " << consoleText(m.text) << '\n';
        loadErrors = loadErrors || m.icon == merge::MessageIcon::Error;
    }
    // Nobody watches an unattended run: a job that did not open whole is not mailed by surprise.
    if (loadErrors && !o.force)
        throw Refusal{exitRefused, "the job did not open cleanly; use --force to send it as it is"};

    if (o.host) job.hostName = *o.host;
    if (o.port) job.hostPort = *o.port;
    if (o.timeoutMs) job.connectionTimeout = *o.timeoutMs;
    if (o.fromName) job.fromName = *o.fromName;
    if (o.fromAddress) job.fromAddress = *o.fromAddress;
    job.testMode = !o.live;

    // The window's checks in its order; its confirmations have no one to ask here.
    if (job.hostName.empty()) throw Refusal{exitRefused, "must enter a host name"};
    if (job.fromAddress.empty()) throw Refusal{exitRefused, "must enter a from address"};
    if (job.addressCol == -1 || job.addressCol >= job.mailingGrid.columnCount())
        throw Refusal{exitRefused, "must select an address column"};
    const merge::TokenCheck tokens = merge::checkTemplateTokens(loaded.templateText, merge::headings(job.mailingGrid));
    if (tokens.askToContinue) {
        s.err << consoleText(tokens.report) << '\n';
        if (!o.force) throw Refusal{exitRefused, "the template check found problems; use --force to send anyway"};
    }

    // A log that the user named or the one the window mails to; the default one is created.
    std::string logPath = o.logFile ? absolutePath(*o.logFile)
                                    : (settings.currentLogFile.empty() ? settings.lastLogFile : settings.currentLogFile);
    const std::string logDir = text::fileDir(logPath);
    if (logDir.empty() || !text::directoryExists(logDir)) throw Refusal{exitRefused, "Invalid log file directory"};

    ConsoleObserver observer(s.err);
    log::TlogWriter writer(settings, observer, s.now);
    try {
        writer.beginMailing(logPath, job, loaded.templateText);
    } catch (const Error& e) {
        throw Refusal{exitRefused, e.what()};
    }

    send::SmtpClient client;
    send::Message message;
    send::MailingRun run(job, client, message);
    try {
        run.start();
    } catch (const Error& e) {
        throw Refusal{exitUnreachable, std::string("Unable to connect: ") + e.what()};
    }

    if (job.testMode) s.err << "test mode: no message is handed to the server (--live sends them)\n";
    if (s.catchInterrupt) s.catchInterrupt();
    const std::size_t wrap = o.wrap ? static_cast<std::size_t>(*o.wrap) : defaultWrap;
    merge::TemplateCache cache;
    // The grid does not change during a run: the template is compiled against it once.
    const merge::CompiledTemplate& compiled = cache.get(loaded.templateText + "\r\n", merge::headings(job.mailingGrid));
    ProgressReport progress(s.err, s.progressBar, job.rowTotal);
    bool interrupted = false;
    std::string text;
    while (run.hasNextRow()) {
        if (s.interrupted && s.interrupted()) {
            interrupted = true;
            break;
        }
        text.clear();
        compiled.renderTo(merge::rowValues(job.mailingGrid, job.sendRow), text);
        run.handleNextRow(send::bodyLines(text, wrap), job.testMode);
        progress.rowDone(static_cast<int>(job.resultList.size()), static_cast<int>(run.failures().size()));
    }
    progress.end();

    writer.finishMailing(job.resultList);
    writer.saveKeptRecordsAtExit();

    s.out << job.sentCount << " handled, " << run.failures().size() << " failed\n";
    for (const send::RowFailure& f : run.failures())
        s.out << "row " << f.row << ": " << consoleText(f.address) << ": " << consoleText(f.reason) << '\n';
    s.out.flush();
    if (interrupted) {
        s.err << programName << ": interrupted; " << job.resultList.size() << " of " << job.rowTotal
              << " rows were handled and logged\n";
        return exitInterrupted;
    }
    return run.failures().empty() ? exitOk : exitRowsFailed;
}

} // namespace

std::string consoleText(std::string_view codePageText) {
    std::string lines;
    lines.reserve(codePageText.size());
    for (std::size_t i = 0; i < codePageText.size(); ++i) {
        const char c = codePageText[i];
        if (c == '\r' || c == '\n') {
            lines.push_back('\n');
            const char pair = c == '\r' ? '\n' : '\r';
            if (i + 1 < codePageText.size() && codePageText[i + 1] == pair) ++i;
        } else {
            lines.push_back(c);
        }
    }
    return text::CodePage::windows1252().toUtf8(lines);
}

std::string helpText() {
    return R"(Usage:
  quillory-cli preview JOB.dor ROW
  quillory-cli check JOB.dor
  quillory-cli send JOB.dor [--live] [--host H] [--port N] [--timeout MS]
                   [--from-name TEXT] [--from-address ADDR] [--log FILE]
                   [--wrap N] [--settings FILE] [--force]
  quillory-cli --version
  quillory-cli --help

In place of JOB.dor every command takes
  --grid FILE --template FILE [--subject TEXT] [--attach FILE]... [--address-column HEADING]
The grid is read as comma-delimited text when its name ends in .csv, as a workbook when it
ends in .xls, as tab-delimited text otherwise. The address column is detected as the window
detects it unless --address-column names its heading.

Commands:
  preview   write the message generated for data row ROW (1 = the first) to standard output
  check     print the template check's report; exit 1 when the window would show it
  send      run the mailing; test mode (connect, hand nothing over) unless --live

Options of send:
  --live              hand the messages to the server
  --host H, --port N, --timeout MS, --from-name TEXT, --from-address ADDR
                      override the settings file's SMTP server, connect time-out and sender
  --log FILE          append the mailing's record to FILE (default: the current log file)
  --wrap N            wrap body lines at N characters, at word boundaries (default 76, 0: no wrapping)
  --settings FILE     read these settings instead of the window's settings file
  --force             send although the template check or the opening of the job found problems

Ctrl+C stops a mailing after the current row; its record is still written to the log.

Exit codes: 0 done, no row failed; 1 check found problems; 2 refused (arguments, files,
send checks); 3 some rows failed; 4 the server could not be reached; 130 interrupted.
)";
}

int run(const std::vector<std::string>& args, Surroundings& s) {
    try {
        if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
            s.out << helpText();
            return exitOk;
        }
        if (!args.empty() && args[0] == "--version") {
            s.out << versionText << '\n';
            return exitOk;
        }
        if (args.empty() || (args[0] != "preview" && args[0] != "check" && args[0] != "send"))
            throw usage(args.empty() ? "no command given" : "unknown command " + args[0]);
        const Options o = parseArguments(args);
        if (o.command == "preview") return preview(o, s);
        if (o.command == "check") return check(o, s);
        return send(o, s);
    } catch (const Refusal& r) {
        s.err << programName << ": " << consoleText(r.message) << '\n';
        if (r.showHelpHint) s.err << "Try '" << programName << " --help'.\n";
        return r.exitCode;
    } catch (const merge::MessageError& e) {
        s.err << programName << ": " << consoleText(e.message().text) << '\n';
        return exitRefused;
    } catch (const Error& e) {
        s.err << programName << ": " << consoleText(e.what()) << '\n';
        return exitRefused;
    }
}

} // namespace quillory::cli
