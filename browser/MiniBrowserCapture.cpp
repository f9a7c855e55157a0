#include "browser/MiniBrowserCapture.h"

#include "capture/OutputFolder.h"
#include "platform/MessageSink.h"

namespace qm {

MiniBrowserCapture::MiniBrowserCapture(cdp::Tab& tab, QString address, Steps steps)
    : m_tab(tab)
    , m_address(std::move(address))
    , m_steps(std::move(steps))
{
}

void MiniBrowserCapture::beforePreparation()
{
    if (m_steps.rememberPlacement)
        m_steps.rememberPlacement();
}

void MiniBrowserCapture::afterSnapshot()
{
    if (m_steps.restorePlacement)
        m_steps.restorePlacement();
}

void MiniBrowserCapture::completed(const PageOutcome& outcome)
{
    if (m_steps.completed)
        m_steps.completed(outcome);
}

void AnnounceConversion(const PageOutcome& outcome, MessageSink& messages, const SettingsSource& settings,
    const QString& appHome, std::function<void(const QString&)> openFolder)
{
    if (!outcome.output) {
        messages.error(QStringLiteral("The page could not be converted: %1").arg(outcome.output.error().message));
        return;
    }
    messages.information(
        QStringLiteral("Conversion completed!"), [&settings, appHome, openFolder = std::move(openFolder)] {
            if (openFolder)
                openFolder(OutputFolder(settings, appHome));
        });
}

} // namespace qm
