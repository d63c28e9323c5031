#pragma once
#include "studio/VSTScanRecord.h"
#include <functional>
#include <string>
#include <vector>

struct VSTScanSettings {
    // The scanner program (velmora-vstscan).
    std::string scannerPath;
    // How long one file may take before its scan is given up.
    int timeLimitMs = 10000;
    // Scanner processes run side by side; 0: one per processor.
    int workers = 0;
};

// Scans VST plug-in files in scanner processes: each file is loaded and
// instantiated there, never in the studio. A file whose scan crashes is
// Crashed, one that takes longer than the time limit is Hung (its scanner
// is killed); the next file gets a fresh scanner.
class CVSTScanner {
public:
    explicit CVSTScanner(VSTScanSettings settings);

    // One record per path, in the order given. `started` is told each
    // index when its scan begins. False when no scanner could be started;
    // the files it did not reach are NotScanned.
    bool Scan(const std::vector<std::string>& paths, std::vector<VSTScanRecord>* records,
              const std::function<void(size_t)>& started = {});

private:
    VSTScanSettings settings;
};
