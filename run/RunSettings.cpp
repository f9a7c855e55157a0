#include "run/RunSettings.h"

#include "settings/SettingKeys.h"

namespace qm::run {

void ApplyRunSettings(const ConvertOptions& options, OverriddenSettings& settings)
{
    const auto setForRun = [&settings](const SettingKey& key, const QString& value) {
        if (!value.isEmpty())
            settings.set(key.sectionName(), key.keyName(), value);
    };
    setForRun(keys::OutputFormat, options.format);
    setForRun(keys::OutputFolder, options.outputFolder);
    setForRun(keys::Timeout, options.timeout);
    setForRun(keys::HttpErrors, options.httpErrors);
    setForRun(keys::TaggedPdf, options.taggedPdf ? QStringLiteral("1") : QString());
    setForRun(keys::ExpandScrollers, options.expand);
    setForRun(keys::MaxHeight, options.maxHeight);
    setForRun(keys::AllowFiles, options.allowFiles.join(u';'));
    setForRun(keys::Scale, options.scale);
    setForRun(keys::Width, options.widthGiven ? QString::number(options.width) : QString());
    setForRun(keys::Height, options.height);
    setForRun(keys::Device, options.device);
    setForRun(keys::WaitFor, options.waitFor);
    setForRun(keys::PageDelay, options.delay);
    setForRun(keys::Selector, options.selector);
    setForRun(keys::Hide, options.hide.join(u','));
    setForRun(keys::Remove, options.remove.join(u','));
    setForRun(keys::NoOverlays, options.noOverlays ? QStringLiteral("1") : QString());
    setForRun(keys::Style, options.style);
    setForRun(keys::Script, options.script);
    setForRun(keys::UserAgent, options.userAgent);
    setForRun(keys::Headers, options.headers.join(u'|'));
    setForRun(keys::Cookies, options.cookies);
    setForRun(keys::Auth, options.auth);
    setForRun(keys::ColorScheme, options.colorScheme);
    setForRun(keys::ReducedMotion, options.reducedMotion ? QStringLiteral("1") : QString());
    setForRun(keys::Block, options.block.join(u','));
}

} // namespace qm::run
