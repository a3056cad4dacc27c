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
#include <functional>
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

// A line for standard output and its JSON line for the record file (empty: none).
using TLine = std::pair<std::string, std::string>;

// The line of `event` for standard output, and for the record file when `recording`.
TLine LinesOf(const TMonitorEvent& event, bool json, bool recording) {
    TLine lines;
    lines.first = json ? EventToJsonLine(event) : EventToText(event);
    if (recording) lines.second = json ? lines.first : EventToJsonLine(event);
    return lines;
}

// Prints lines on its own thread: to standard output, and as JSON lines to the record file.
// What waits to be printed is bounded: when the output is not read as fast as messages pass,
// lines that do not fit are left out, and a notice says how many, as soon as there is room
// again. After an interrupt it gives up on an output that accepts nothing.
class CLineWriter {
public:
    /// Bytes of lines waiting at most (and as many again in the batch being written); a single
    /// longer line is taken when nothing waits.
    static constexpr std::size_t kQueuedBytesBound = 32u * 1024u * 1024u;

    CLineWriter(std::ofstream* record, std::function<TLine(std::uint64_t)> omittedNotice)
        : record_(record), omittedNotice_(std::move(omittedNotice)), thread_([this] { Write(); }) {}
    ~CLineWriter() { Finish(); }

    /// Queues lines for standard output and for the record file.
    void Push(std::deque<TLine>& lines) {
        if (lines.empty()) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (TLine& line : lines) {
                const std::size_t size = line.first.size() + line.second.size();
                if (!lines_.empty() && queuedBytes_ + size > kQueuedBytesBound) {
                    ++omitted_;
                    continue;
                }
                QueueOmittedNotice();
                queuedBytes_ += size;
                lines_.push_back(std::move(line));
            }
        }
        lines.clear();
        ready_.notify_one();
    }
    /// Writes what is queued, then stops the thread. After an interrupt an output that accepts
    /// nothing for 100 ms is given up.
    void Finish() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (finishing_) return;
            QueueOmittedNotice();
            finishing_ = true;
        }
        ready_.notify_one();
        if (thread_.joinable()) thread_.join();
    }
    bool RecordFailed() const { return recordFailed_; }

private:
    void QueueOmittedNotice() {
        if (omitted_ == 0) return;
        TLine notice = omittedNotice_(omitted_);
        omitted_ = 0;
        queuedBytes_ += notice.first.size() + notice.second.size();
        lines_.push_back(std::move(notice));
    }

    // Takes what is queued as one batch: the lines in hand and the queue are bounded alike.
    void Write() {
        const auto giveUp = [] { return gInterrupted.load(); };
        bool outputGone = false;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            ready_.wait(lock, [this] { return finishing_ || !lines_.empty(); });
            if (lines_.empty()) return;
            std::deque<TLine> batch;
            batch.swap(lines_);
            queuedBytes_ = 0;
            lock.unlock();
            for (TLine& line : batch) {
                if (!outputGone) {
                    outputGone = !WriteStandardOutput(line.first.data(), line.first.size(), giveUp);
                }
                if (record_ != nullptr && !line.second.empty()) *record_ << line.second;
                line = TLine();  // released as soon as it is written
            }
            if (record_ != nullptr && !record_->flush()) recordFailed_ = true;
            lock.lock();
        }
    }

    std::ofstream* record_;
    std::function<TLine(std::uint64_t)> omittedNotice_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<TLine> lines_;
    std::size_t queuedBytes_ = 0;
    std::uint64_t omitted_ = 0;
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

    void Unregistered(const std::string& reason) override {
        std::cerr << "oxsdk: " << reason << '\n';
    }

    std::uint64_t SizeBound(const std::string& name) override {
        TExchangeName parts;
        const bool reply =
            ParseExchangeName(name, &parts) && tracker_.DirectionOf(parts) == EDirection::kReply;
        return reply ? COstrelFileLayer::kMaxReplySize : COstrelFileLayer::kMaxCommandSize;
    }

    void MessageRead(const std::string& name, std::string bytes, const TSeenAt& when) override {
        TMonitorEvent event;
        event.size = bytes.size();
        event.text = DecodeMessageText(std::move(bytes));
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
    void CaughtUp() override {
        writer_.Push(pending_);
        pendingBytes_ = 0;
    }

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
        if (!reply) event.wireName = event.text.FirstField();
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
        pending_.push_back(LinesOf(event, json_, recording_));
        pendingBytes_ += pending_.back().first.size() + pending_.back().second.size();
        // A flood of events without a pause still reaches the writer (and its bound) in parts.
        if (pendingBytes_ >= kHandOverBytes) CaughtUp();
    }

    static constexpr std::size_t kHandOverBytes = 1024 * 1024;

    const TMonitorOptions& options_;
    bool json_;
    bool recording_;
    CDirectionTracker tracker_;
    CLineWriter& writer_;
    std::uint64_t reported_ = 0;
    std::deque<TLine> pending_;
    std::size_t pendingBytes_ = 0;
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
    const bool recording = record.is_open();
    CLineWriter writer(recording ? &record : nullptr, [json, recording](std::uint64_t omitted) {
        TMonitorEvent event;
        event.kind = EEventKind::kEventsLost;
        event.time = std::chrono::system_clock::now();
        event.reason = std::to_string(omitted) +
                       " event(s) not shown: the output was not read as fast as messages passed";
        return LinesOf(event, json, recording);
    });
    CMonitor monitor(options, json, navigatorName, writer, recording);
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
