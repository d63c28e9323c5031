#include "studio/CVSTScanner.h"
#include "platform/OsProcess.h"
#include "platform/OsThread.h"
#include "platform/OsTime.h"
#include <algorithm>
#include <cstdlib>
#include <deque>
#include <memory>

namespace {

struct Worker {
    platform::ChildProcess child;
    ptrdiff_t current = -1; // the index being scanned, or -1
    int64_t deadlineNs = 0;
    int32_t answered = 0; // files this scanner process has answered
    bool unusable = false; // its scanner could not be started
};

int64_t NowNs()
{
    return platform::PerformanceCounterNs();
}

} // namespace

CVSTScanner::CVSTScanner(VSTScanSettings settings) : settings(std::move(settings)) {}

bool CVSTScanner::Scan(const std::vector<std::string>& paths, std::vector<VSTScanRecord>* records,
                       const std::function<void(size_t)>& started)
{
    records->assign(paths.size(), VSTScanRecord{VSTScanStatus::NotScanned});
    if (paths.empty())
        return true;
    const int wanted = settings.workers > 0 ? settings.workers : platform::ProcessorCount();
    const size_t count = std::min(paths.size(), static_cast<size_t>(std::max(wanted, 1)));
    std::vector<std::unique_ptr<Worker>> workers;
    for (size_t i = 0; i < count; ++i)
        workers.push_back(std::make_unique<Worker>());

    const int64_t limitNs = static_cast<int64_t>(std::max(settings.timeLimitMs, 1)) * 1000000;
    const bool keepErrors = std::getenv("VELMORA_TRACE") != nullptr;
    std::deque<size_t> pending;
    for (size_t i = 0; i < paths.size(); ++i)
        pending.push_back(i);
    std::vector<bool> retried(paths.size(), false);
    for (;;) {
        // Hand the next files to idle scanners, starting fresh ones where a
        // scanner ended.
        for (auto& worker : workers) {
            if (worker->current >= 0 || pending.empty() || worker->unusable)
                continue;
            if (!worker->child.IsStarted()) {
                if (!worker->child.Start(settings.scannerPath, {}, keepErrors)) {
                    worker->unusable = true;
                    continue;
                }
                worker->answered = 0;
            }
            const size_t index = pending.front();
            pending.pop_front();
            worker->current = static_cast<ptrdiff_t>(index);
            worker->deadlineNs = NowNs() + limitNs;
            if (started)
                started(index);
            // A scanner that is gone shows up below as a crash of this file.
            worker->child.SendLine(EscapeText(paths[index]));
        }

        std::vector<platform::ChildProcess*> busy;
        int64_t earliest = INT64_MAX;
        for (auto& worker : workers) {
            if (worker->current >= 0) {
                busy.push_back(&worker->child);
                earliest = std::min(earliest, worker->deadlineNs);
            }
        }
        if (busy.empty())
            break;
        const int64_t waitNs = std::max<int64_t>(earliest - NowNs(), 0);
        platform::WaitForChildren(busy, static_cast<int>(std::min<int64_t>(waitNs / 1000000 + 1, 1000)));

        for (auto& worker : workers) {
            if (worker->current < 0)
                continue;
            const bool open = worker->child.Receive();
            std::string line;
            if (worker->child.TakeLine(&line)) {
                VSTScanRecord record;
                if (!ParseScanRecord(line, &record))
                    record = VSTScanRecord{VSTScanStatus::Crashed};
                (*records)[static_cast<size_t>(worker->current)] = record;
                worker->current = -1;
                ++worker->answered;
                continue;
            }
            if (!open) {
                worker->child.Wait();
                const auto index = static_cast<size_t>(worker->current);
                worker->current = -1;
                // A plug-in scanned before may have left a thread behind that
                // brought the scanner down: only a fresh scanner can tell.
                if (worker->answered > 0 && !retried[index]) {
                    retried[index] = true;
                    pending.push_front(index);
                    continue;
                }
                (*records)[index] = VSTScanRecord{VSTScanStatus::Crashed};
            } else if (NowNs() >= worker->deadlineNs) {
                worker->child.Kill();
                worker->child.Wait();
                (*records)[static_cast<size_t>(worker->current)] = VSTScanRecord{VSTScanStatus::Hung};
                worker->current = -1;
            }
        }
    }
    // The scanners have answered everything: no need to wait for their
    // plug-ins' exit handlers.
    for (auto& worker : workers) {
        worker->child.Kill();
        worker->child.Wait();
    }
    return pending.empty();
}
