// The video settings page: the camera, the quality preset (0 "Disable" .. 9 "Best", each
// filling frame rate, bandwidth and size from "VD.CFG"), and, with "Adjust" checked, the
// frame rate, bandwidth and size by hand. "Test" opens the video test dialog.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace orv {

class ClientConfig;
class CVideoCtlThread;
class TextTable;

class VideoSettingsPage : public QWidget {
public:
    static constexpr int kQualityEntries = 10;
    static constexpr int kSizeEntries = 4;

    // control (may be null) runs the camera for the test dialog.
    VideoSettingsPage(QWidget* parent, const TextTable& texts, ClientConfig& config, CVideoCtlThread* control);

    // Stores the chosen values (frame rate clamped to 3..20, bandwidth to 32..512) and saves
    // the video settings. False when the settings file could not be written.
    bool Apply();

    // The controls, for the dialog around the page and for tests.
    QComboBox* Devices() const { return devices_; }
    QComboBox* Quality() const { return quality_; }
    QComboBox* Sizes() const { return sizes_; }
    QCheckBox* Adjust() const { return adjust_; }
    QLineEdit* FrameRate() const { return frameRate_; }
    QLineEdit* Bandwidth() const { return bandwidth_; }
    QPushButton* TestButton() const { return test_; }

    // Runs the test dialog (modal) with the page's values; OK copies its rates back.
    void RunTest();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ChoosePreset(int index);
    void EnableAdvanced(bool enabled);

    const TextTable& texts_;
    ClientConfig& config_;
    CVideoCtlThread* control_;
    QComboBox* devices_ = nullptr;
    QComboBox* quality_ = nullptr;
    QComboBox* sizes_ = nullptr;
    QCheckBox* adjust_ = nullptr;
    QLineEdit* frameRate_ = nullptr;
    QLineEdit* bandwidth_ = nullptr;
    QPushButton* test_ = nullptr;
};

} // namespace orv
