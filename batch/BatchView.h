#pragma once

#include <QString>
#include <functional>

namespace qm {

// What the batch driver shows; the main window implements it, tests record it.
class BatchView
{
public:
    virtual ~BatchView() = default;
    virtual void setProgressPanelVisible(bool visible) = 0;
    virtual void setFrameCaption(const QString& caption) = 0; // the progress box
    virtual void setProgress(int value) = 0; // the total progress, 0..100
    virtual int progress() const = 0;
    virtual void setBusyCursor(bool busy) = 0;
    virtual void setStatusLabels(const QString& text) = 0; // status and progress labels
    // Message boxes; the driver goes on in `dismissed`, so nothing waits inside a nested loop.
    virtual void information(const QString& text, std::function<void()> dismissed) = 0;
    virtual void error(const QString& text, std::function<void()> dismissed) = 0;
    virtual void openFolder(const QString& folder) = 0;
    // True while a modal window of the program is open: no new row is issued until it closes.
    virtual bool holdsNewRows() const = 0;
};

} // namespace qm
