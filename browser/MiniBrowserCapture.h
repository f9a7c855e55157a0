#pragma once

#include <functional>

#include "capture/CaptureHost.h"

namespace qm {

class MessageSink;
class SettingsSource;

// The mini browser as a capture host: it converts the tab the user is looking at, on a click, with no
// guards; it remembers where its page view was before the page is prepared and puts it back right
// after the snapshot; the page address is the address box's text at the moment of the click.
class MiniBrowserCapture : public CaptureHost
{
public:
    struct Steps
    {
        std::function<void()> rememberPlacement;
        std::function<void()> restorePlacement;
        std::function<void(const PageOutcome&)> completed;
    };

    MiniBrowserCapture(cdp::Tab& tab, QString address, Steps steps);

    cdp::Tab& tab() override { return m_tab; }
    bool hasGuards() const override { return false; }
    void beforePreparation() override;
    void afterSnapshot() override;
    QString pageAddress() const override { return m_address; }
    void completed(const PageOutcome& outcome) override;

private:
    cdp::Tab& m_tab;
    QString m_address;
    Steps m_steps;
};

// The mini browser's completion step: "Conversion completed!", and once the user has seen it, the
// output folder (read again now) is opened. A run that wrote no file says why instead and opens nothing.
void AnnounceConversion(const PageOutcome& outcome, MessageSink& messages, const SettingsSource& settings,
    const QString& appHome, std::function<void(const QString&)> openFolder);

} // namespace qm
