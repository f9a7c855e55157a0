#pragma once

#include "batch/BatchView.h"

namespace qm::cli {

// The batch's view on the command line: there is no panel, cursor or file manager, and nobody to
// dismiss a message, so messages are passed on at once. Progress is shown by ProgressDisplay.
class QuietBatchView : public BatchView
{
public:
    void setProgressPanelVisible(bool) override { }
    void setFrameCaption(const QString&) override { }
    void setProgress(int value) override { m_progress = value; }
    int progress() const override { return m_progress; }
    void setBusyCursor(bool) override { }
    void setStatusLabels(const QString&) override { }
    void information(const QString&, std::function<void()> dismissed) override;
    void error(const QString&, std::function<void()> dismissed) override;
    void openFolder(const QString&) override { } // the command line opens no folder
    bool holdsNewRows() const override { return false; }

private:
    int m_progress = 0;
};

} // namespace qm::cli
