#pragma once
#include "app/readers/CWaveSample.h"
#include "ui/CWindow.h"
#include <memory>
#include <string>
#include <vector>

class CComboBox;
class CSampleView;

// A window that lists the WAV files of the sample folders and shows the
// chosen one as a waveform over its spectrum.
class CSampleAnalyzer : public CWindow {
public:
    static constexpr int32_t kDefaultWidth = 640;
    static constexpr int32_t kDefaultHeight = 480;

    // The folders searched: "Samples" beside the program, then the user's
    // own samples folder.
    static std::vector<std::string> DefaultFolders();

    CSampleAnalyzer(CControl* parent, const std::vector<std::string>& folders = DefaultFolders());
    ~CSampleAnalyzer() override;

    // Reads the file of entry `index` and shows it; a file the reader
    // refuses leaves the panes as they were and shows the reader's message.
    bool SelectSample(int32_t index);

    void ComboSelectionChanged(CComboBox* combo) override;
    void Resized(int32_t newWidth, int32_t newHeight) override;

    const std::vector<std::string>& Paths() const { return paths; }
    CComboBox* SampleCombo() const { return combo; }
    CSampleView* Waveform() const { return waveform; }
    CSampleView* SpectrumView() const { return spectrum; }

private:
    void Layout();

    std::vector<std::string> paths;
    CComboBox* combo = nullptr;
    CSampleView* waveform = nullptr;
    CSampleView* spectrum = nullptr;
    // The shown sample: the waveform pane draws from it until the next one.
    std::unique_ptr<CWaveSample> shown;
};
