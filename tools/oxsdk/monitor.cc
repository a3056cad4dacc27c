// The monitor: the watch's observer decodes each message, tells its direction and filters it on
// the watch's thread; a writer thread prints, so that a slow terminal or pipe never holds the
// watch back from opening the next message before the navigator takes it.
#include "monitor.h"

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <deque>
#include <fstream>
#include <iostream>
#include <mutex>
#include <thread>
#include <utility>

#include "OXSDK5Link/FileLayer.h"
#include "command_line.h"
#include "exit_status.h"
#include "monitor_events.h"
#include "monitor_watcher.h"

namespace oxsdk::cli {
namespace {

std::atomic<bool> gInterrupted{false};

extern "C" void OnInterrupt(int) {
    gInterrupted = true;
}

// Prints lines on its own thread: to standard output, and as JSON lines to the record file.
class CLineWriter {
public:
    explicit CLineWriter(std::ofstream* record) : record_(record), thread_([this] { Write(); }) {}
    ~CLineWriter() { Finish(); }

    /// Queues lines for standard output and for the record file (an empty one is left out).
    void Push(std::deque<std::pair<std::string, std::string>>& lines) {
        if (lines.empty()) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (lines_.empty()) {
                lines_.swap(lines);
            } else {
                for (auto& line : lines) lines_.push_back(std::move(line));
            }
        }
        lines.clear();
        ready_.notify_one();
    }
    /// Writes what is queued, then stops the thread.
    void Finish() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            finishing_ = true;
        }
        ready_.notify_one();
        if (thread_.joinable()) thread_.join();
    }
    bool RecordFailed() const { return recordFailed_; }

private:
    void Write() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            ready_.wait(lock, [this] { return finishing_ || !lines_.empty(); });
            if (lines_.empty()) return;
            std::deque<std::pair<std::string, std::string>> batch;
            batch.swap(lines_);
            lock.unlock();
            for (const auto& [line, recordLine] : batch) {
                std::fwrite(line.data(), 1, line.size(), stdout);
                if (record_ != nullptr && !recordLine.empty()) *record_ << recordLine;
            }
            std::fflush(stdout);
            if (record_ != nullptr && !record_->flush()) recordFailed_ = true;
            lock.lock();
        }
    }

    std::ofstream* record_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::pair<std::string, std::string>> lines_;
    bool finishing_ = false;
    std::atomic<bool> recordFailed_{false};
    std::thread thread_;
};

class CMonitor : public MExchangeObserver {
public:
    CMonitor(const TMonitorOptions& options, bool json, const std::string& navigatorName,
             CLineWriter& writer, bool recording)
        : options_(options),
          json_(json),
          recording_(recording),
          tracker_(navigatorName),
          writer_(writer) {}

    void Watching(const std::string& folder, const TSeenAt& when) override {
        TMonitorEvent event;
        event.kind = EEventKind::kWatching;
        event.time = when.wall;
        event.file = folder;
        Emit(event);
    }

    std::uint64_t SizeBound(const std::string& name) override {
        TExchangeName parts;
        const bool reply =
            ParseExchangeName(name, &parts) && tracker_.DirectionOf(parts) == EDirection::kReply;
        return reply ? COstrelFileLayer::kMaxReplySize : COstrelFileLayer::kMaxCommandSize;
    }

    void MessageRead(const std::string& name, const std::string& bytes,
                     const TSeenAt& when) override {
        TMonitorEvent event;
        event.text = DecodeMessageText(bytes);
        event.size = bytes.size();
        Report(name, EEventKind::kCommand, when, event);
    }

    void MessageOversized(const std::string& name, std::uint64_t size,
                          const TSeenAt& when) override {
        TMonitorEvent event;
        event.size = size;
        Report(name, EEventKind::kOversized, when, event);
    }

    void MessageUnread(const std::string& name, bool vanished, const std::string& reason,
                       const TSeenAt& when) override {
        TMonitorEvent event;
        event.reason = reason;
        Report(name, vanished ? EEventKind::kVanished : EEventKind::kUnreadable, when, event);
    }

    void EventsLost(const TSeenAt& when) override {
        TMonitorEvent event;
        event.kind = EEventKind::kEventsLost;
        event.time = when.wall;
        event.reason =
            "the watch's event queue overflowed: messages may have been missed; the folder was "
            "listed again";
        Emit(event);
    }

    // The lines of a batch go to the writer together: one hand-over, not one per message.
    void CaughtUp() override { writer_.Push(pending_); }

    bool Done() override {
        return gInterrupted || writer_.RecordFailed() ||
               (options_.count > 0 && reported_ >= options_.count);
    }

private:
    // Fills in the names and the direction of the message file `name` (kCommand standing for
    // "the message itself"), notes it, and prints it when the filters let it through.
    void Report(const std::string& name, EEventKind kind, const TSeenAt& when,
                TMonitorEvent& event) {
        TExchangeName parts;
        if (!ParseExchangeName(name, &parts)) return;  // not exchange traffic
        if (options_.count > 0 && reported_ >= options_.count) return;
        const EDirection direction = tracker_.DirectionOf(parts);
        const bool reply = direction == EDirection::kReply;
        if (kind == EEventKind::kCommand && reply) kind = EEventKind::kReply;
        event.kind = kind;
        event.time = when.wall;
        event.file = name;
        event.named = true;
        event.client = reply ? parts.reader : parts.writer;
        event.navigator = reply ? parts.writer : parts.reader;
        event.pid = parts.pid;
        event.sequence = parts.sequence;
        if (!reply && !event.text.fields.empty()) event.wireName = event.text.fields[0];
        event.reply = reply;
        const auto command = tracker_.Record(parts, direction, event.wireName, when.steady);
        if (command) {
            event.wireName = command->wireName;
            event.latencyMilliseconds =
                std::chrono::duration<double, std::milli>(when.steady - command->when).count();
        }
        if (!options_.client.empty() && AsciiLower(event.client) != AsciiLower(options_.client)) return;
        // Without a wire name (a command that could not be read) a missed message is shown.
        if (!options_.command.empty() && event.wireName != options_.command &&
            !(kind != EEventKind::kCommand && kind != EEventKind::kReply &&
              event.wireName.empty())) {
            return;
        }
        ++reported_;
        Emit(event);
    }

    void Emit(const TMonitorEvent& event) {
        std::string jsonLine;
        if (json_ || recording_) {
            jsonLine = EventToJson(event).dump(-1, ' ', false,
                                               nlohmann::ordered_json::error_handler_t::replace) +
                       "\n";
        }
        std::string line = json_ ? jsonLine : EventToText(event);
        pending_.emplace_back(std::move(line), recording_ ? std::move(jsonLine) : std::string());
    }

    const TMonitorOptions& options_;
    bool json_;
    bool recording_;
    CDirectionTracker tracker_;
    CLineWriter& writer_;
    std::uint64_t reported_ = 0;
    std::deque<std::pair<std::string, std::string>> pending_;
};

}  // namespace

void DefineMonitorCommand(CLI::App& app, TMonitorOptions& options) {
    CLI::App* sub = app.add_subcommand(
        "monitor",
        "print every command and reply passing through the exchange folder as it passes "
        "(reads only; Linux)");
    sub->fallthrough();
    sub->add_option("--client", options.client, "only this client's commands and replies")
        ->type_name("NAME");
    sub->add_option("--command", options.command,
                    "only commands with this wire name, and their replies")
        ->type_name("WIRENAME");
    sub->add_option("--record", options.record, "also write every event as a JSON line to FILE")
        ->type_name("FILE");
    sub->add_option("--count", options.count,
                    "end after N messages (commands, replies and missed ones) were shown")
        ->type_name("N")
        ->check(CLI::Range(std::uint64_t{1}, std::uint64_t{4294967295u}));
    sub->add_option("--duration", options.duration, "end after SECONDS")
        ->check(CLI::Validator(CheckTimeout, ""))
        ->option_text("SECONDS");
    sub->callback([&options] { options.chosen = true; });
}

int RunMonitor(const TMonitorOptions& options, bool json, const std::string& navigatorName) {
    std::ofstream record;
    if (!options.record.empty()) {
        record.open(options.record, std::ios::binary | std::ios::trunc);
        if (!record) {
            std::cerr << "oxsdk: cannot write the record file " << options.record << '\n';
            return ExitCode(EExitStatus::TransportFailure);
        }
    }
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    std::optional<std::chrono::steady_clock::time_point> deadline;
    if (options.duration > 0) {
        deadline = std::chrono::steady_clock::now() +
                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                       std::chrono::duration<double>(options.duration));
    }
    CLineWriter writer(record.is_open() ? &record : nullptr);
    CMonitor monitor(options, json, navigatorName, writer, record.is_open());
    const std::string problem = WatchExchangeFolder(monitor, deadline);
    writer.Finish();
    if (!problem.empty()) {
        std::cerr << "oxsdk: " << problem << '\n';
        return ExitCode(EExitStatus::TransportFailure);
    }
    if (writer.RecordFailed()) {
        std::cerr << "oxsdk: cannot write the record file " << options.record << '\n';
        return ExitCode(EExitStatus::TransportFailure);
    }
    return ExitCode(EExitStatus::Success);
}

}  // namespace oxsdk::cli
